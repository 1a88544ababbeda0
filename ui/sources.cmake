# Sources of ui/ are added here as they appear.
