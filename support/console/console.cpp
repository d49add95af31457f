// Message lines, verbosity gating, the console and the standard-stream table.
