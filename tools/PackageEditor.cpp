#include "PackageEditor.h"

#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace pv::tools {

PackageEditor::PackageEditor(const std::filesystem::path& path) : path_(path) {
    int error = 0;
    archive_ = zip_open(path.c_str(), 0, &error);
    if (!archive_)
        throw std::runtime_error(path.string() + ": cannot open the package for editing");
}

PackageEditor::~PackageEditor() {
    if (archive_)
        zip_discard(archive_);
}

std::string PackageEditor::read(const std::string& entry) {
    zip_stat_t st;
    zip_file_t* file = nullptr;
    if (zip_stat(archive_, entry.c_str(), 0, &st) != 0 ||
        !(file = zip_fopen(archive_, entry.c_str(), 0)))
        throw std::runtime_error(path_.string() + ": no part " + entry);
    std::string text(st.size, '\0');
    const zip_int64_t n = zip_fread(file, text.data(), st.size);
    zip_fclose(file);
    if (n != static_cast<zip_int64_t>(st.size))
        throw std::runtime_error(path_.string() + ": cannot read " + entry);
    return text;
}

void PackageEditor::replace(const std::string& entry, const std::string& from,
                            const std::string& to) {
    std::string text = read(entry);
    const auto at = text.find(from);
    if (at == std::string::npos)
        throw std::runtime_error(path_.string() + ": " + entry + " has no " + from);
    text.replace(at, from.size(), to);

    // libzip reads the buffer at commit time and frees it then.
    void* buffer = std::malloc(text.size());
    std::memcpy(buffer, text.data(), text.size());
    zip_source_t* source = zip_source_buffer(archive_, buffer, text.size(), 1);
    const zip_int64_t index = zip_name_locate(archive_, entry.c_str(), 0);
    if (!source || index < 0 || zip_file_replace(archive_, index, source, 0) != 0) {
        if (source)
            zip_source_free(source);
        else
            std::free(buffer);
        throw std::runtime_error(path_.string() + ": cannot replace " + entry);
    }
}

void PackageEditor::commit() {
    if (zip_close(archive_) != 0)
        throw std::runtime_error(path_.string() +
                                 ": cannot write the edited package: " + zip_strerror(archive_));
    archive_ = nullptr;
}

}  // namespace pv::tools
