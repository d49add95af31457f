// Command-line options.
