// What LeakSanitizer must not report in the fuzzers that draw text, built into them so that a
// fuzzer run by hand (to replay a finding, say) reports what the test run reports.
//
// fontconfig keeps the elements of a pattern behind an offset from the pattern rather than a
// pointer, so LeakSanitizer cannot follow them: every pattern that is still in use shows its
// elements, and the values they hold, as leaked. Qt keeps the patterns it matched for fallback
// fonts (which texts of characters beyond the window font's reach need) in its font cache, which
// lives until the thread ends and cannot be emptied through Qt's public API. Only memory that
// fontconfig allocated itself is exempt; what the program and Qt allocate is checked as before.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
