# Sources of control/ are added here as they appear.
