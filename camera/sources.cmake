# Sources of camera/ are added here as they appear.
