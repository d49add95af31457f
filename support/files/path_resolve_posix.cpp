// Path resolution on POSIX systems.
