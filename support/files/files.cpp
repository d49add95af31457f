// Whole-file loading, paths, status tests and opening for writing.
