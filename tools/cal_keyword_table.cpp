// cal_keyword_table: prints the keyword tables of the system calibration
// file as Markdown, the text that docs/calibration-file.md carries.
#include <cstdio>

#include "instrument/cal_keywords.h"

int main() {
    cal_describe_keywords([](void*, const char* line) { std::printf("%s\n", line); }, nullptr);
    return 0;
}
