#include "office/InOfficeSplit.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <atomic>
#include <map>
#include <system_error>

#include "core/Error.h"
#include "host/zip/CompoundFile.h"
#include "host/zip/EntryNames.h"
#include "office/InOfficeScript.h"
#include "office/LegacyFormats.h"
#include "office/OfficeErrors.h"

namespace pv::office {

namespace fs = std::filesystem;

namespace {

constexpr const char* kScriptName = "pellavine_sheets.py";

QString text(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// The script's report: "ok<TAB>FILE" or "fail<TAB>FILE<TAB>WHY" per line.
std::map<std::string, std::optional<std::string>> readResults(const fs::path& results) {
    std::map<std::string, std::optional<std::string>> done;
    QFile file(text(results));
    if (!file.open(QIODevice::ReadOnly)) {
        return done;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() >= 2 && fields[0] == "ok") {
            done[fields[1].toStdString()] = std::nullopt;
        } else if (fields.size() >= 3 && fields[0] == "fail") {
            done[fields[1].toStdString()] = fields.mid(2).join(' ').toStdString();
        }
    }
    return done;
}

std::size_t countLines(const fs::path& results) {
    QFile file(text(results));
    return file.open(QIODevice::ReadOnly) ? static_cast<std::size_t>(file.readAll().count('\n'))
                                          : 0;
}

}  // namespace

bool savedInOffice(const OfficeConverter& converter, const fs::path& source,
                   std::string_view extension) {
    return converter.design() == LegacyDesign::InOffice &&
           legacy::isConvertedOnOpen(host::lowercaseExtension(source.string())) &&
           legacy::exportFilter(extension) && converter.runsScripts();
}

InOfficeBatch saveInOffice(OfficeConverter& converter, const std::vector<InOfficeSheet>& sheets,
                           const std::string& extension, const fs::path& folder) {
    InOfficeBatch batch;
    batch.run.outputs.resize(sheets.size());
    batch.reasons.resize(sheets.size());
    if (sheets.empty()) {
        return batch;
    }
    static std::atomic<unsigned> next{0};
    const fs::path job = folder / ("job" + std::to_string(++next));
    std::error_code ec;
    fs::create_directories(job, ec);
    struct Removal {
        const fs::path& folder;
        ~Removal() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } removal{job};
    const auto fail = [&](const std::string& why) {
        if (lacksRoom(folder, kRoomForConversion)) {
            return temporaryFolderFull(sheets.front().workbook.string() + ": " + why);
        }
        return Error(OfficeError::TemporaryFolder, sheets.front().workbook.string() + ": " + why);
    };

    // One private copy per workbook, keeping its name (see ConvertedSources): LibreOffice leaves
    // a lock file beside what it loads and is never to see the user's own file.
    const std::string_view filter = *legacy::exportFilter(extension);
    std::vector<fs::path> copies;
    std::vector<QJsonArray> bookOutputs;
    std::map<std::string, std::size_t> bookOf;
    std::vector<std::vector<std::size_t>> sheetsOf;  // per workbook, indexes into `sheets`
    std::vector<std::optional<fs::path>> outputs(sheets.size());
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        const InOfficeSheet& sheet = sheets[i];
        auto [found, added] = bookOf.try_emplace(sheet.workbook.string(), copies.size());
        if (added) {
            fs::path copy = job / std::to_string(copies.size()) / sheet.workbook.stem();
            copy += host::lowercaseExtension(sheet.workbook.string());
            fs::create_directories(copy.parent_path(), ec);
            if (!fs::copy_file(sheet.workbook, copy, fs::copy_options::overwrite_existing, ec)) {
                copy.clear();
            }
            copies.push_back(copy);
            bookOutputs.emplace_back();
            sheetsOf.emplace_back();
        }
        const std::size_t book = found->second;
        if (copies[book].empty()) {
            batch.reasons[i] = "no copy of the workbook could be made for LibreOffice";
            continue;
        }
        outputs[i] = folder / ("i" + std::to_string(++next) + extension);
        QJsonObject entry;
        entry["sheet"] = static_cast<qint64>(sheet.sheet);
        entry["name"] = QString::fromStdString(sheet.name);
        entry["file"] = text(*outputs[i]);
        entry["filter"] = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()));
        bookOutputs[book].append(entry);
        sheetsOf[book].push_back(i);
    }
    QJsonArray workbooks;
    std::vector<std::size_t> order;  // the sheets in the order the script saves them
    for (std::size_t book = 0; book < copies.size(); ++book) {
        if (!copies[book].empty()) {
            QJsonObject entry;
            entry["source"] = text(copies[book]);
            // A VBA project's stream: LibreOffice needs a document of the sheet's own to write it
            // without the other sheets (see the script).
            entry["macros"] = host::hasCompoundStream(copies[book], {u"_VBA_PROJECT"});
            entry["outputs"] = bookOutputs[book];
            workbooks.append(entry);
            order.insert(order.end(), sheetsOf[book].begin(), sheetsOf[book].end());
        }
    }
    if (order.empty()) {
        return batch;
    }
    const fs::path results = job / "results.txt";
    QJsonObject description;
    description["results"] = text(results);
    description["workbooks"] = workbooks;
    const fs::path jobFile = job / "job.json";
    QSaveFile file(text(jobFile));
    const QByteArray json = QJsonDocument(description).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        throw fail("the work for LibreOffice could not be written: " +
                   file.errorString().toStdString());
    }

    // The script reports each sheet as it finishes it, in order: the next one is in work.
    std::size_t reached = 0;
    const auto poll = [&] {
        const std::size_t done = countLines(results);
        if (done != reached && done < order.size()) {
            converter.tell(sheets[order[done]].workbook);
        }
        reached = done;
    };
    converter.tell(sheets[order.front()].workbook);
    batch.run = converter.runScript(kScriptName, kInOfficeScript, jobFile, order.size(), poll);
    batch.run.outputs.resize(sheets.size());

    const auto done = readResults(results);
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (!outputs[i]) {
            continue;  // never given to LibreOffice
        }
        const auto found = done.find(outputs[i]->string());
        if (found != done.end() && found->second) {
            batch.reasons[i] = *found->second;
        }
        if (found != done.end() && !found->second && fs::is_regular_file(*outputs[i], ec) &&
            fs::file_size(*outputs[i], ec) > 0) {
            batch.run.outputs[i] = outputs[i];
        } else {
            fs::remove(*outputs[i], ec);
        }
    }
    return batch;
}

}  // namespace pv::office
