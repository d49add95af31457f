// The command-line parser.
