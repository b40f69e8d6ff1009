#include "core/IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Format.h"

namespace brevant {

namespace {

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadWholeFile(const std::string& name, std::string& out) {
    out.clear();
    int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return ReadResult::Failed;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ReadResult::Ok;
}

/// The file as lines of bytes. A file that is valid UTF-8 is read and extended as
/// UTF-8, any other as the system code page; lines the program does not touch keep
/// their bytes exactly.
class Document {
public:
    struct Line {
        std::size_t begin, end, next;  // content [begin, end), next line starts at `next`
    };
    struct Place {
        std::size_t header = npos;    // line of the section header
        std::size_t key = npos;       // line of the key inside the section
        std::size_t lastFilled = npos;  // last non-blank line of the section
    };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit Document(std::string bytes) : bytes_(std::move(bytes)) {
        std::size_t start = 0;
        if (bytes_.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
        utf8_ = IsValidUtf8(std::string_view(bytes_).substr(start));
        for (std::size_t pos = start; pos < bytes_.size();) {
            std::size_t nl = bytes_.find('\n', pos);
            if (nl == std::string::npos) {
                lines_.push_back({pos, bytes_.size(), bytes_.size()});
                break;
            }
            const bool crlf = nl > pos && bytes_[nl - 1] == '\r';
            if (eol_.empty()) eol_ = crlf ? "\r\n" : "\n";
            lines_.push_back({pos, crlf ? nl - 1 : nl, nl + 1});  // the terminator stays with its line
            pos = nl + 1;
        }
        if (eol_.empty()) eol_ = "\n";
    }

    Place Find(UStringView section, UStringView key) const {
        Place place;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            UString text = Text(i);
            UStringView t = TrimView(text);
            bool isHeader = !t.empty() && t.front() == u'[';
            if (place.header == npos) {
                if (isHeader && SameTextAscii(HeaderName(t), section)) place.header = place.lastFilled = i;
                continue;
            }
            if (isHeader) break;  // the next section begins
            if (t.empty()) continue;
            place.lastFilled = i;
            if (place.key != npos) continue;
            std::size_t eq = t.find(u'=');
            if (eq != UStringView::npos && SameTextAscii(TrimView(t.substr(0, eq)), key)) place.key = i;
        }
        return place;
    }

    /// The trimmed value of a "key=value" line.
    UString Value(std::size_t line) const {
        UString text = Text(line);
        return Trim(UStringView(text).substr(text.find(u'=') + 1));
    }

    std::string WithKey(UStringView section, UStringView key, UStringView value) const {
        std::string keyLine = Encode(UString(key) + u"=" + UString(value));
        Place place = Find(section, key);
        std::string out = bytes_;
        if (place.key != npos) {
            const Line& l = lines_[place.key];
            out.replace(l.begin, l.end - l.begin, keyLine);
        } else if (place.header != npos) {
            const Line& l = lines_[place.lastFilled];
            std::string insert = keyLine + eol_;
            if (l.next == l.end) insert = eol_ + insert;  // that line has no terminator (end of file)
            out.insert(l.next, insert);
        } else {
            if (!out.empty() && out.back() != '\n') out += eol_;
            out += Encode(u"[" + UString(section) + u"]") + eol_ + keyLine + eol_;
        }
        return out;
    }

private:
    static UStringView HeaderName(UStringView trimmedHeader) {
        UStringView name = trimmedHeader.substr(1);
        std::size_t close = name.find(u']');
        if (close != UStringView::npos) name = name.substr(0, close);
        return TrimView(name);
    }

    UString Text(std::size_t line) const {
        std::string_view raw(bytes_.data() + lines_[line].begin, lines_[line].end - lines_[line].begin);
        return utf8_ ? Utf8ToUtf16(raw) : AnsiToUtf16(raw);
    }

    std::string Encode(UStringView text) const { return utf8_ ? Utf16ToUtf8(text) : Utf16ToAnsi(text); }

    std::string bytes_;
    bool utf8_ = true;
    std::string eol_;
    std::vector<Line> lines_;
};

/// A line break inside a value would start new lines (and so new keys or sections)
/// in the file; it is written as a blank instead.
UString SingleLine(UStringView value) {
    UString out(value);
    for (char16_t& c : out)
        if (c == u'\r' || c == u'\n') c = u' ';
    return out;
}

}  // namespace

IniFile::IniFile(UString fileName, FileWriter writer)
    : fileName_(std::move(fileName)), nativeName_(Utf16ToUtf8(fileName_)), writer_(std::move(writer)) {
    if (!writer_) writer_ = &IniFile::WriteFileReplacing;
}

UString IniFile::ReadString(UStringView section, UStringView key, UStringView def) const {
    std::string bytes;
    if (ReadWholeFile(nativeName_, bytes) != ReadResult::Ok) return UString(def);
    Document doc(std::move(bytes));
    Document::Place place = doc.Find(section, key);
    if (place.key == Document::npos) return UString(def);
    UString value = doc.Value(place.key);
    if (value.size() > MaxValueLength) {
        value.resize(MaxValueLength);
        // Never leave half of a surrogate pair at the cut.
        if (value.back() >= 0xD800 && value.back() <= 0xDBFF) value.pop_back();
    }
    return value;
}

int IniFile::ReadInteger(UStringView section, UStringView key, int def) const {
    int value;
    return TryStrToInt(ReadString(section, key, u""), value) ? value : def;
}

void IniFile::WriteString(UStringView section, UStringView key, UStringView value) {
    std::string bytes;
    // An existing file that cannot be read is not overwritten: its other keys would be lost.
    if (ReadWholeFile(nativeName_, bytes) == ReadResult::Failed ||
        !writer_(nativeName_, Document(std::move(bytes)).WithKey(section, key, SingleLine(value))))
        throw EIniFileException(Format(u"Unable to write to %s", {fileName_}));
}

void IniFile::WriteInteger(UStringView section, UStringView key, int value) {
    WriteString(section, key, IntToStr(value));
}

bool IniFile::WriteFileReplacing(const std::string& fileName, std::string_view content) {
    // Write through a symbolic link to the file it names instead of replacing the link.
    std::string target = fileName;
    if (char* resolved = ::realpath(fileName.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    struct stat st {};
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return false;
    if (exists && ::access(target.c_str(), W_OK) != 0) return false;

    std::string temp = target + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < content.size();) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace brevant
