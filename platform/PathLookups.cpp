#include "platform/PathLookups.h"

#include <algorithm>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// At most this many folders open at once, and never more than a quarter of the descriptors
// the process may hold.
constexpr std::size_t MostFolders = 512;
// The look-ups over which the share of misses is judged.
constexpr std::size_t Stretch = 4096;

PathLookup lookupOf(int status, const struct stat& info) {
    if (status != 0)
        return {};
    if (S_ISDIR(info.st_mode))
        return {true, 0};
    return {false, S_ISREG(info.st_mode) ? static_cast<qint64>(info.st_size) : 0};
}

std::size_t folderAllowance() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return MostFolders;
    return std::min<std::size_t>(MostFolders, static_cast<std::size_t>(limit.rlim_cur / 4));
}

} // namespace

PathLookups::PathLookups() : m_maxFolders(folderAllowance()) {}

PathLookups::~PathLookups() {
    closeFolders();
}

void PathLookups::closeFolders() {
    for (const auto& folder : m_folders) {
        if (folder.second >= 0)
            ::close(folder.second);
    }
    m_folders.clear();
}

int PathLookups::folderHandle(std::string_view folder) {
    if (const auto open = m_folders.find(folder); open != m_folders.end())
        return open->second;
    ++m_misses;
    if (m_folders.size() >= m_maxFolders)
        closeFolders();
    const std::string name(folder);
    // O_PATH needs no right to read the folder, only to pass through it, as a look-up by the
    // whole path does. A folder that cannot be opened is remembered as such.
    const int handle = ::open(name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    m_folders.emplace(name, handle);
    return handle;
}

PathLookup PathLookups::lookUp(QByteArrayView path) {
    struct stat info {};
    const std::string_view whole(path.data(), static_cast<std::size_t>(path.size()));
    const std::size_t slash = whole.rfind('/');
    // A name without a folder, or one ending in a separator, goes whole.
    if (m_maxFolders == 0 || slash == std::string_view::npos || slash + 1 == whole.size()) {
        m_name.assign(whole);
        return lookupOf(::stat(m_name.c_str(), &info), info);
    }
    if (++m_stretch == Stretch) {
        // Most look-ups of the stretch opened a folder: the list does not stay in its
        // folders, and opening one per look-up would cost more than it saves.
        if (m_misses * 2 > Stretch) {
            closeFolders();
            m_maxFolders = 0;
        }
        m_stretch = 0;
        m_misses = 0;
    }
    const int folder = folderHandle(slash == 0 ? std::string_view("/") : whole.substr(0, slash));
    m_name.assign(whole.substr(folder >= 0 ? slash + 1 : 0));
    if (folder < 0)
        return lookupOf(::stat(m_name.c_str(), &info), info);
    return lookupOf(::fstatat(folder, m_name.c_str(), &info, 0), info);
}
