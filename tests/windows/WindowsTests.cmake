# The Windows suite under Wine: the Win32 backend against the prefix the test script sets
# up, and the engine against the Linux stand-in server it starts.
