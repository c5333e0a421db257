#include "host_names.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace ss::dos {

namespace {

bool SafeByte(std::uint8_t b) {
    static constexpr std::string_view kMarks = "-_$#@!";
    return (b < 0x80 && std::isalnum(b) != 0) ||
           kMarks.find(static_cast<char>(b)) != std::string_view::npos;
}

std::string Part(const std::array<std::uint8_t, 11>& raw, int from, int count) {
    int end = from + count;
    while (end > from && raw[static_cast<std::size_t>(end - 1)] == ' ') {
        --end;
    }
    std::string s;
    for (int k = from; k < end; ++k) {
        const std::uint8_t b = raw[static_cast<std::size_t>(k)];
        s += SafeByte(b) ? static_cast<char>(b) : '_';
    }
    return s;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool PlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

WriteResult Failure(const std::string& what) {
    return {WriteOutcome::Failed, what + ": " + std::strerror(errno)};
}

// Writes all of bytes to fd, then closes it.
bool WriteAndClose(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0;
}

} // namespace

std::string HostName(const std::array<std::uint8_t, 11>& raw) {
    std::string name = Part(raw, 0, 8);
    const std::string ext = Part(raw, 8, 3);
    if (name.empty()) {
        name = "_";
    }
    return ext.empty() ? name : name + "." + ext;
}

std::vector<std::string> DistinctHostNames(const std::vector<std::array<std::uint8_t, 11>>& raws) {
    std::vector<std::string> names;
    std::set<std::string> given;
    for (const auto& raw : raws) {
        const std::string base = HostName(raw);
        std::string name = base;
        const std::size_t dot = base.find('.');
        const std::string stem = base.substr(0, dot);
        const std::string ext = dot == std::string::npos ? "" : base.substr(dot);
        for (int n = 2; given.count(Lower(name)) != 0; ++n) {
            name = stem + "_" + std::to_string(n) + ext;
        }
        given.insert(Lower(name));
        names.push_back(name);
    }
    return names;
}

WriteResult WriteHostFile(const std::filesystem::path& folder, const std::string& name,
                          const std::vector<std::uint8_t>& bytes, bool replace) {
    if (!PlainName(name)) {
        errno = EINVAL;
        return Failure(name);
    }
    const std::filesystem::path target = folder / name;
    if (!replace) {
        // O_EXCL fails on anything already there, a link included.
        const int fd =
            ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                return {WriteOutcome::Exists, {}};
            }
            return Failure(target.string());
        }
        if (!WriteAndClose(fd, bytes)) {
            const WriteResult failed = Failure(target.string());
            ::unlink(target.c_str());
            return failed;
        }
        return {WriteOutcome::Written, {}};
    }
    // A new file beside the old one, renamed over it: a link is replaced, not
    // written through.
    std::string temp = (folder / ".sectorscope-XXXXXX").string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return Failure(folder.string());
    }
    ::fchmod(
        fd, 0666 & ~[] {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            return mask;
        }());
    if (!WriteAndClose(fd, bytes) || ::rename(temp.c_str(), target.c_str()) != 0) {
        const WriteResult failed = Failure(target.string());
        ::unlink(temp.c_str());
        return failed;
    }
    return {WriteOutcome::Written, {}};
}

std::vector<Saved> SaveFiles(const SectorSource& source, const std::vector<const DirFile*>& files,
                             const std::filesystem::path& folder,
                             const std::function<bool(const std::string& hostName)>& replace) {
    std::vector<std::array<std::uint8_t, 11>> raws;
    for (const DirFile* f : files) {
        raws.push_back(f->rawName);
    }
    const std::vector<std::string> names = DistinctHostNames(raws);
    std::vector<Saved> saved;
    for (std::size_t k = 0; k < files.size(); ++k) {
        Saved s{files[k], names[k], ReadFile(source, *files[k]), {}};
        s.result = WriteHostFile(folder, s.hostName, s.content.bytes, false);
        if (s.result.outcome == WriteOutcome::Exists && replace && replace(s.hostName)) {
            s.result = WriteHostFile(folder, s.hostName, s.content.bytes, true);
        }
        saved.push_back(std::move(s));
    }
    return saved;
}

} // namespace ss::dos
