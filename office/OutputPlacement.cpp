#include "office/OutputPlacement.h"

#include <QFile>
#include <QSaveFile>

#include "core/Error.h"
#include "office/OfficeErrors.h"

namespace pv::office {

void copyIntoPlace(const std::filesystem::path& finished, const std::filesystem::path& output) {
    auto fail = [&](const QString& why) {
        throw Error(OfficeError::CannotPlaceOutput,
                    output.string() +
                        ": the converted workbook could not be saved here: " + why.toStdString());
    };
    QFile from(QString::fromStdString(finished.string()));
    if (!from.open(QIODevice::ReadOnly)) {
        fail(from.errorString());
    }
    QSaveFile to(QString::fromStdString(output.string()));
    if (!to.open(QIODevice::WriteOnly)) {
        fail(to.errorString());
    }
    constexpr qint64 kChunk = 1 << 20;
    while (!from.atEnd()) {
        const QByteArray chunk = from.read(kChunk);
        if (chunk.isEmpty() && from.error() != QFileDevice::NoError) {
            to.cancelWriting();
            fail(from.errorString());
        }
        if (to.write(chunk) != chunk.size()) {
            to.cancelWriting();
            fail(to.errorString());
        }
    }
    if (!to.commit()) {
        fail(to.errorString());
    }
}

}  // namespace pv::office
