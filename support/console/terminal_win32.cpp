// Terminal queries on Windows.
