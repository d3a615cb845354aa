#include "office/OutputPlacement.h"

#include <QFile>
#include <QSaveFile>
#include <system_error>

#include "core/Error.h"
#include "office/OfficeConverter.h"
#include "office/OfficeErrors.h"

namespace pv::office {

void copyIntoPlace(const std::filesystem::path& finished, const std::filesystem::path& output,
                   const std::string& content) {
    auto fail = [&](const QString& why) {
        throw Error(
            OfficeError::CannotPlaceOutput,
            output.string() + ": " + content + " could not be saved here: " + why.toStdString());
    };
    QFile from(QString::fromStdString(finished.string()));
    if (!from.open(QIODevice::ReadOnly)) {
        fail(from.errorString());
    }
    // Unbuffered: a buffered save file flushes its last bytes when it commits and takes no
    // notice if that write fails, so a full disk would leave a cut-off workbook in place.
    QSaveFile to(QString::fromStdString(output.string()));
    auto failWriting = [&] {
        // The reason is read before the write is cancelled, which replaces it.
        const QString why = to.errorString();
        const bool full = to.error() == QFileDevice::ResourceError;
        to.cancelWriting();
        const std::filesystem::path folder =
            output.parent_path().empty() ? std::filesystem::path(".") : output.parent_path();
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(finished, ec);
        if (full || lacksRoom(folder, ec ? 0 : size)) {
            throw Error(OfficeError::OutputDiskFull,
                        output.string() + ": " + content +
                            " could not be saved: the disk is full (no room left in " +
                            folder.string() + ")");
        }
        fail(why);
    };
    if (!to.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        failWriting();
    }
    constexpr qint64 kChunk = 1 << 20;
    while (!from.atEnd()) {
        const QByteArray chunk = from.read(kChunk);
        if (chunk.isEmpty() && from.error() != QFileDevice::NoError) {
            to.cancelWriting();
            fail(from.errorString());
        }
        if (to.write(chunk) != chunk.size()) {
            failWriting();
        }
    }
    if (!to.commit()) {
        failWriting();
    }
}

}  // namespace pv::office
