#pragma once

#include <type_traits>

// Reads every entry of the open folder `fd` (without "." and ".."), calling
// `each(const char* name, unsigned char type)` with the listing's type (DT_UNKNOWN where the file
// system gives none). The descriptor stays the caller's, positioned at the end. Returns 0, or the
// error that cut the listing short.
using FolderEntryVisitor = void (*)(void* context, const char* name, unsigned char type);
int listFolderEntries(int fd, FolderEntryVisitor visit, void* context);

template <typename Each>
int listFolder(int fd, Each&& each) {
    using Callable = std::remove_reference_t<Each>;
    return listFolderEntries(
        fd,
        [](void* context, const char* name, unsigned char type) {
            (*static_cast<Callable*>(context))(name, type);
        },
        &each);
}

// True for "." and "..".
inline bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}
