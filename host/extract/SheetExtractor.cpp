#include "host/extract/SheetExtractor.h"

#include <algorithm>
#include <map>
#include <optional>

#include "host/cells/SheetScan.h"
#include "host/extract/ChartRewriter.h"
#include "host/extract/ConnectionsFilter.h"
#include "host/extract/PartGraph.h"
#include "host/extract/PartWriters.h"
#include "host/extract/PersonsFilter.h"
#include "host/extract/ReferenceRewriters.h"
#include "host/extract/SheetRewriter.h"
#include "host/package/WorkbookFormats.h"
#include "host/package/WorkbookModel.h"
#include "host/refs/SheetScope.h"
#include "host/xml/XmlDocument.h"
#include "host/zip/DeflateStream.h"
#include "host/zip/EntryNames.h"
#include "host/zip/ZipReader.h"
#include "host/zip/ZipWriter.h"

namespace pv::host {

namespace {

// The new bytes of one part the graph says is rewritten; nothing when a part that might point
// at other sheets does not, and is copied as it is. The sheet and the shared strings, which may
// be big, stream instead (see extractSheet).
std::optional<std::string> rewritten(const ExtractionSource& source, std::size_t sheet,
                                     const SheetScope& scope, const PartGraph& graph,
                                     const PartRewrite& rewrite) {
    const ZipReader& zip = source.zip;
    const std::string& part = rewrite.part;
    using Kind = PartRewrite::Kind;
    switch (rewrite.kind) {
        case Kind::Sheet:
            break;
        case Kind::Chart:
            return rewriteChart(zip, part, scope, rewrite.droppedRelationships, source.otherSheets);
        case Kind::ChartEx:
            return rewriteChartEx(zip, part, scope, rewrite.droppedRelationships);
        case Kind::Table:
            return rewriteTable(zip, part, scope);
        case Kind::Links:
            return rewriteLinks(zip, part, rewrite.droppedRelationships);
        case Kind::ControlProperties:
            return rewriteControlProperties(zip, part, scope);
        case Kind::PivotCacheSource:
            return rewritePivotCacheSource(zip, part, scope);
        case Kind::VmlControlLinks:
            return rewriteVmlControlLinks(zip, part, scope);
        case Kind::Persons:
            return filterPersons(zip, part, rewrite.threadedComments);
        case Kind::Connections:
            return filterConnections(zip, part, rewrite.queryTables, scope);
        case Kind::SharedStrings:
            break;  // streams too
        case Kind::Relationships:
            return writeRelationshipsWithout(zip.read(part), zip.where(part),
                                             rewrite.droppedRelationships, rewrite.targets);
        case Kind::Workbook:
            return writeWorkbook(zip.read(part), zip.where(part),
                                 source.model.sheets[sheet].relationshipId, scope.keptNames(),
                                 graph.keepsExternalLinks);
        case Kind::WorkbookRelationships:
            return writeRelationshipsKeeping(zip.read(part), zip.where(part),
                                             graph.keptWorkbookRelationships, rewrite.targets);
        case Kind::PackageRelationships:
            return writePackageRelationships(zip.read(part), zip.where(part), rewrite.targets);
        case Kind::AppProperties:
            return writeAppProperties(zip.read(part), zip.where(part),
                                      source.model.sheets[sheet].info);
        case Kind::CoreProperties: {
            std::vector<std::string> others;
            for (std::size_t i = 0; i < source.model.sheets.size(); ++i) {
                if (i != sheet) {
                    others.push_back(source.model.sheets[i].info.name);
                }
            }
            return writeCoreProperties(zip.read(part), zip.where(part),
                                       source.model.sheets[sheet].info.name, others);
        }
    }
    return std::nullopt;
}

}  // namespace

void extractSheet(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
                  const SheetScope& scope, const std::filesystem::path& output) {
    const std::string mainType(mainContentTypeFor(lowercaseExtension(output.string())));
    const PartGraph graph = buildPartGraph(source, sheet, scan, scope);
    // A rewritten sheet renumbers its shared strings, so the table holds only those it uses.
    std::vector<std::uint32_t> stringIndexes;
    const bool rewritesSheet =
        source.strings != nullptr &&
        std::any_of(graph.rewrites.begin(), graph.rewrites.end(),
                    [](const PartRewrite& r) { return r.kind == PartRewrite::Kind::Sheet; });
    if (rewritesSheet) {
        stringIndexes = denseStringIndexes(scan.usedStrings);
    }
    std::map<std::string, DeflatedPart> generated;
    for (const auto& rewrite : graph.rewrites) {
        if (rewrite.kind == PartRewrite::Kind::Sheet) {
            DeflateStream out;
            rewriteSheet(source.zip, rewrite.part, scope, rewrite.droppedRelationships,
                         source.otherSheets, rewritesSheet ? &stringIndexes : nullptr, out);
            generated[rewrite.part] = out.finish();
        } else if (rewrite.kind == PartRewrite::Kind::SharedStrings) {
            DeflateStream out;
            writeSharedStrings(*source.strings, scan.usedStrings, rewritesSheet,
                               [&](std::string_view piece) { out.write(piece); });
            generated[rewrite.part] = out.finish();
        } else if (auto bytes = rewritten(source, sheet, scope, graph, rewrite)) {
            generated[rewrite.part] = deflatePart(*bytes);
        }
    }

    // Each part under its one spelling, in the entries and in the content types alike.
    std::vector<std::string> names;
    for (const auto& part : graph.parts) {
        names.push_back(graph.outputName(part));
    }
    const ZipEntry* workbook = source.zip.find(source.model.workbookPart);
    ZipWriter writer(output);
    writer.add("[Content_Types].xml",
               writeContentTypes(source.types, names,
                                 workbook != nullptr ? workbook->name : source.model.workbookPart,
                                 mainType));
    for (const auto& part : graph.parts) {
        if (lowercase(part) == "[content_types].xml") {
            continue;
        }
        if (auto it = generated.find(part); it != generated.end()) {
            writer.addDeflated(graph.outputName(part), std::move(it->second));
        } else {
            // Any part may be XML, whatever its name says; a binary one passes at its first byte.
            screenCopiedXml(source.zip, part);
            writer.copyRaw(source.zip, part, graph.outputName(part));
        }
    }
    writer.commit();
}

}  // namespace pv::host
