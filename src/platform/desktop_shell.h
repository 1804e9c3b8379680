// Being built.
