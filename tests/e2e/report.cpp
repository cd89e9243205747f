#include "report.h"

#include <stdarg.h>
#include <string.h>

#include "driver.h"

namespace {

struct Report {
    FILE* file = nullptr;
    int line_number = 0;
    int failures = 0;
    DWORD start_ms = 0;
};
Report g_report;

// Note and Fail, which differ only in the label after the time.
void WriteEntry(const char* label, const char* format, va_list args) {
    fprintf(g_report.file, "line %d, %lu ms: %s", g_report.line_number,
            GetTickCount() - g_report.start_ms, label);
    vfprintf(g_report.file, format, args);
    fputc('\n', g_report.file);
    fflush(g_report.file);
}

}  // namespace

bool OpenReport(const char* path) {
    g_report.start_ms = GetTickCount();
    g_report.file = fopen(path, "wb");
    return g_report.file != nullptr;
}

void SetScenarioLine(int line_number) {
    g_report.line_number = line_number;
}

void Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vfprintf(g_report.file, format, args);
    fputc('\n', g_report.file);
    fflush(g_report.file);
    va_end(args);
}

void Note(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteEntry("", format, args);
    va_end(args);
}

void Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteEntry("FAIL: ", format, args);
    va_end(args);
    ++g_report.failures;
}

int FinishReport() {
    if (g_report.failures == 0)
        fprintf(g_report.file, "PASS\n");
    else
        fprintf(g_report.file, "FAILED %d\n", g_report.failures);
    CloseReport();
    return g_report.failures;
}

void CloseReport() {
    fclose(g_report.file);
    g_report.file = nullptr;
}

const char* Shown(const char* bytes, int length) {
    static char shown[4][kTextSize * 4 + 1];
    static int next = 0;
    char* out = shown[next];
    next = (next + 1) % 4;
    size_t used = 0;
    for (int i = 0; i < length && used + 5 < sizeof shown[0]; ++i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte < 0x7f)
            out[used++] = static_cast<char>(byte);
        else
            used += snprintf(out + used, 5, "\\x%02x", byte);
    }
    out[used] = '\0';
    return out;
}

const char* Shown(const char* text) {
    return Shown(text, static_cast<int>(strlen(text)));
}

const char* Format(const char* format, ...) {
    static char message[4 * (kTextSize * 4 + 1)];  // room for a few shown texts
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    return message;
}
