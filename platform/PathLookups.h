#pragma once

#include "platform/FileNames.h"

#include <QByteArrayView>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

// Looks up many paths one after the other (PathLookup: a folder, or a file's size), as
// LookUpEncodedPath does, keeping the folders of recent paths open: each look-up then walks
// only the path's last name instead of every folder from the root, the larger part of the
// cost of looking up a list of millions. Folders are kept open only while that pays: when
// most look-ups of a stretch land in a folder not open, the rest go by the whole path.
class PathLookups {
public:
    PathLookups();
    ~PathLookups();
    PathLookups(const PathLookups&) = delete;
    PathLookups& operator=(const PathLookups&) = delete;

    // path in the file system's encoding.
    PathLookup lookUp(QByteArrayView path);

    // How many folders are open now.
    std::size_t openFolders() const { return m_folders.size(); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };

    int folderHandle(std::string_view folder); // -1: look the path up whole
    void closeFolders();

    std::unordered_map<std::string, int, Hash, std::equal_to<>> m_folders;
    std::size_t m_maxFolders = 0; // 0: folders are not kept open
    std::size_t m_stretch = 0;    // look-ups in the current stretch
    std::size_t m_misses = 0;     // of those, in a folder that was not open
    std::string m_name;           // the name looked up, with its terminating NUL
};
