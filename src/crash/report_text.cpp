#include "crash/crash_report.h"

namespace crash {
namespace {

// Appends into a fixed buffer, always leaving room for the closing NUL. Nothing here may
// allocate or lock: it runs on a faulting thread's signal stack.
class Writer {
public:
    Writer(char* out, std::size_t capacity) : out_(out), capacity_(capacity) {}

    void Text(const char* text) {
        for (; *text != '\0'; ++text)
            Char(*text);
    }
    void Hex(uint32_t value) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        Text("0x");
        for (int shift = 28; shift >= 0; shift -= 4)
            Char(kDigits[(value >> shift) & 0xFu]);
    }
    void Decimal(uint32_t value) {
        char digits[10];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0)
            Char(digits[--count]);
    }
    void HexLine(const char* name, uint32_t value) {
        Text(name);
        Char('\t');
        Hex(value);
        Text("\r\n");
    }
    std::size_t Finish() {
        if (capacity_ > 0) out_[length_] = '\0';
        return length_;
    }

private:
    void Char(char c) {
        if (length_ + 1 < capacity_) out_[length_++] = c;
    }

    char* out_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

} // namespace

std::size_t FormatReport(const ReportRecord& record, char* out, std::size_t capacity) {
    Writer w(out, capacity);
    w.HexLine("ExceptionCode:", record.Code);
    w.HexLine("ExceptionAddress:", record.Address);
    w.HexLine("ExceptionFlags:", record.Flags);
    w.HexLine("ExceptionRecord:", record.ChainedRecord);
    if (record.NumberParameters > 0) {
        w.HexLine("NumberParameters:", static_cast<uint32_t>(record.NumberParameters));
        const int words = record.NumberParameters < kMaxInformationWords ? record.NumberParameters
                                                                         : kMaxInformationWords;
        for (int i = 1; i <= words; ++i) {
            w.Text("ExceptionInformation[");
            w.Decimal(static_cast<uint32_t>(i));
            w.Text("]:  ");
            w.Hex(record.Information[i - 1]);
            w.Text("\r\n");
        }
    }
    return w.Finish();
}

} // namespace crash
