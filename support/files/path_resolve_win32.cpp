// Path resolution on Windows.
