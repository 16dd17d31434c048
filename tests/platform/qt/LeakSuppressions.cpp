// Fontconfig keeps its pattern caches until the process ends and Qt never hands them back;
// the leak checker of the sanitizer build is told so, for these tests and the children they
// start from this same binary.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
