# Host tools beside the core library.
