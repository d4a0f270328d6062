#include "config/ini_file.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "config/gbk_text.h"

#ifdef _WIN32
#include <process.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace config {
namespace {

namespace fs = std::filesystem;

// One lock for every read and write in the process: twenty workers read while the
// user-interface thread may write, and a read must never see a half-replaced file.
std::mutex& IniLock() {
    static std::mutex lock;
    return lock;
}

fs::path ToPath(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string_view SkipLeadingBlanks(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32) ++i;
    return s.substr(i);
}

std::string_view Trim(std::string_view s) {
    s = SkipLeadingBlanks(s);
    size_t n = s.size();
    while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= 32) --n;
    return s.substr(0, n);
}

// Names compare with ASCII letters folded; the two bytes of a double-byte character are
// compared as they are, so a trail byte in the letter range is never folded.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 0x81 && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

struct Line {
    size_t begin = 0;       // first byte of the line (after a byte-order mark)
    size_t contentEnd = 0;  // before "\r\n" or "\n"
    size_t end = 0;         // after the line end
};

// The parsed shape of the file, as far as one lookup needs it.
class IniText {
public:
    explicit IniText(std::string bytes) : bytes_(std::move(bytes)) {
        size_t pos = 0;
        if (bytes_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            utf8_ = true;
            pos = 3;
        }
        while (pos < bytes_.size()) {
            Line line;
            line.begin = pos;
            size_t nl = bytes_.find('\n', pos);
            if (nl == std::string::npos) {
                line.contentEnd = line.end = bytes_.size();
            } else {
                line.end = nl + 1;
                line.contentEnd = (nl > pos && bytes_[nl - 1] == '\r') ? nl - 1 : nl;
                if (eol_.empty()) eol_ = bytes_[line.contentEnd] == '\r' ? "\r\n" : "\n";
            }
            lines_.push_back(line);
            pos = line.end;
        }
        if (eol_.empty()) eol_ = "\r\n"; // a new or one-line file gets the Windows style
    }

    const std::string& bytes() const { return bytes_; }
    bool utf8() const { return utf8_; }
    const std::string& eol() const { return eol_; }

    // A name as it is spelled in this file's encoding.
    std::string Encode(std::string_view utf8Text) const {
        return utf8_ ? std::string(utf8Text) : Utf8ToGbk(utf8Text);
    }
    std::string Decode(std::string_view raw) const {
        if (utf8_ && IsValidUtf8(raw)) return std::string(raw);
        return GbkToUtf8(raw);
    }

    struct Found {
        int section = -1;   // header line of the first matching section
        int lastKey = -1;   // last key line of that section (or its header)
        int key = -1;       // first matching key line
        size_t valueAt = 0; // first byte after "=" on the key line
    };

    Found Find(std::string_view section, std::string_view key) const {
        Found f;
        bool inside = false;
        for (size_t i = 0; i < lines_.size(); ++i) {
            std::string_view text = Content(i);
            std::string_view t = Trim(text);
            if (!t.empty() && t.front() == '[') {
                size_t close = t.rfind(']');
                if (close == std::string_view::npos) continue;
                if (inside) break; // only the first section of that name counts
                if (SameName(Trim(t.substr(1, close - 1)), section)) {
                    inside = true;
                    f.section = f.lastKey = static_cast<int>(i);
                }
                continue;
            }
            if (!inside) continue;
            size_t eq = text.find('=');
            if (eq == std::string_view::npos) continue;
            std::string_view name = Trim(text.substr(0, eq));
            if (!name.empty() && (name.front() == ';' || name.front() == '#')) continue;
            f.lastKey = static_cast<int>(i);
            if (f.key < 0 && SameName(name, key)) {
                f.key = static_cast<int>(i);
                f.valueAt = lines_[i].begin + eq + 1;
            }
        }
        return f;
    }

    std::string_view Content(size_t i) const {
        const Line& l = lines_[i];
        return std::string_view(bytes_).substr(l.begin, l.contentEnd - l.begin);
    }
    const Line& line(size_t i) const { return lines_[i]; }

private:
    std::string bytes_;
    std::vector<Line> lines_;
    std::string eol_;
    bool utf8_ = false;
};

enum class Load { Ok, Missing, Unusable };

Load LoadFile(const fs::path& path, std::string& out) {
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) return Load::Missing;
    if (!fs::is_regular_file(st)) return Load::Unusable;
    std::ifstream in(path, std::ios::binary);
    if (!in) return Load::Unusable;
    auto size = fs::file_size(path, ec);
    if (!ec) out.reserve(static_cast<size_t>(size));
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        out.append(buffer, static_cast<size_t>(in.gcount()));
    if (in.bad()) return Load::Unusable;
    return Load::Ok;
}

// Cuts raw to at most max bytes without splitting a character.
std::string_view CutValue(std::string_view raw, size_t max, bool utf8) {
    if (raw.size() <= max) return raw;
    size_t end = 0;
    while (end < raw.size()) {
        unsigned char c = static_cast<unsigned char>(raw[end]);
        size_t len = 1;
        if (utf8) {
            len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        } else if (c >= 0x81 && end + 1 < raw.size()) {
            unsigned char t = static_cast<unsigned char>(raw[end + 1]);
            len = (t >= 0x30 && t <= 0x39) ? 4 : 2; // GB18030 four-byte form
        }
        if (end + len > max) break;
        end += len;
    }
    return raw.substr(0, end);
}

std::atomic<unsigned> g_tempCounter{0};

#ifdef _WIN32
bool ReplaceWholeFile(const fs::path& target, const std::string& bytes) {
    std::error_code ec;
    fs::path tmp = target;
    tmp += "." + std::to_string(_getpid()) + "." + std::to_string(++g_tempCounter) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(tmp, ec);
            return false;
        }
    }
    fs::rename(tmp, target, ec); // MoveFileEx with replace
    if (ec) {
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}
#else
bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ReplaceWholeFile(fs::path target, const std::string& bytes, bool exists) {
    std::error_code ec;
    // Write through a link to the file it names rather than replacing the link.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        target = fs::canonical(target, ec);
        if (ec) return false;
    }
    struct stat old {};
    mode_t mode = 0666;
    if (exists && ::stat(target.c_str(), &old) == 0) mode = old.st_mode & 07777;
    fs::path tmp = target;
    tmp += "." + std::to_string(::getpid()) + "." + std::to_string(++g_tempCounter) + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes);
    if (ok && exists) ok = ::fchmod(fd, mode) == 0 || errno == EPERM;
    if (ok) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the new directory entry itself durable.
    int dir = ::open(target.parent_path().empty() ? "." : target.parent_path().c_str(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
#endif

// A file the user marked read-only is left alone, even for a user who could override it.
bool IsReadOnly(const fs::path& path) {
    std::error_code ec;
    fs::perms p = fs::status(path, ec).permissions();
    if (ec) return false;
    constexpr fs::perms write = fs::perms::owner_write | fs::perms::group_write |
                                fs::perms::others_write;
    if ((p & write) == fs::perms::none) return true;
#ifndef _WIN32
    if (::access(path.c_str(), W_OK) != 0 && errno == EACCES) return true;
#endif
    return false;
}

// Values are single lines; a line break inside one would split it into new lines of the
// file.
std::string OneLine(std::string_view value) {
    std::string s(value);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

} // namespace

std::string ReadIniValue(std::string_view path, std::string_view section,
                         std::string_view key, std::string_view defaultValue) {
    path = SkipLeadingBlanks(path);
    section = SkipLeadingBlanks(section);
    key = SkipLeadingBlanks(key);
    if (path.empty() || section.empty() || key.empty()) return {};

    std::lock_guard lock(IniLock());
    std::string bytes;
    if (LoadFile(ToPath(path), bytes) != Load::Ok) return std::string(defaultValue);
    IniText ini(std::move(bytes));
    IniText::Found f = ini.Find(ini.Encode(section), ini.Encode(key));
    if (f.key < 0) return std::string(defaultValue);

    const Line& line = ini.line(static_cast<size_t>(f.key));
    std::string_view raw =
        Trim(std::string_view(ini.bytes()).substr(f.valueAt, line.contentEnd - f.valueAt));
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') &&
        raw.back() == raw.front())
        raw = raw.substr(1, raw.size() - 2);
    raw = raw.substr(0, raw.find('\0'));
    return ini.Decode(CutValue(raw, kMaxValueBytes, ini.utf8()));
}

void WriteIniValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value) {
    path = SkipLeadingBlanks(path);
    section = SkipLeadingBlanks(section);
    key = SkipLeadingBlanks(key);
    if (path.empty() || section.empty() || key.empty()) return;

    std::lock_guard lock(IniLock());
    fs::path file = ToPath(path);
    std::string bytes;
    Load load = LoadFile(file, bytes);
    if (load == Load::Unusable) return;
    if (load == Load::Ok && IsReadOnly(file)) return;

    IniText ini(std::move(bytes));
    const std::string& old = ini.bytes();
    const std::string& eol = ini.eol();
    std::string sec = ini.Encode(section);
    std::string name = ini.Encode(key);
    std::string val = ini.Encode(OneLine(value));
    IniText::Found f = ini.Find(sec, name);

    std::string out;
    out.reserve(old.size() + sec.size() + name.size() + val.size() + 16);
    if (f.key >= 0) {
        // Keep the key's own spelling and any blanks after "="; replace only the value.
        const Line& line = ini.line(static_cast<size_t>(f.key));
        size_t at = f.valueAt;
        while (at < line.contentEnd && (old[at] == ' ' || old[at] == '\t')) ++at;
        out.append(old, 0, at);
        out += val;
        out.append(old, line.contentEnd, std::string::npos);
    } else if (f.section >= 0) {
        const Line& after = ini.line(static_cast<size_t>(f.lastKey));
        out.append(old, 0, after.end);
        if (after.end == after.contentEnd) out += eol; // the last line had no line end
        out += name + "=" + val;
        if (after.end != after.contentEnd) out += eol;
        out.append(old, after.end, std::string::npos);
    } else {
        out = old;
        if (out.size() > (ini.utf8() ? 3u : 0u) && out.back() != '\n') out += eol;
        out += "[" + sec + "]" + eol + name + "=" + val + eol;
    }
    if (load == Load::Ok && out == old) return; // nothing changes: leave the file alone
#ifdef _WIN32
    ReplaceWholeFile(file, out);
#else
    ReplaceWholeFile(file, out, load == Load::Ok);
#endif
}

} // namespace config
