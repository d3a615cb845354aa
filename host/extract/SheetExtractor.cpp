#include "host/extract/SheetExtractor.h"

#include <algorithm>
#include <map>
#include <optional>

#include "host/cells/SharedStrings.h"
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

namespace {

// The sheet's rewritten part and the order of the shared strings it was renumbered to.
std::pair<DeflatedPart, std::vector<std::uint32_t>> rewriteWhole(const ExtractionSource& source,
                                                                 const SheetScope& scope,
                                                                 const PartRewrite& rewrite,
                                                                 SheetScanEvents* facts,
                                                                 bool& complete) {
    std::optional<StringRenumbering> renumbering;
    if (source.strings != nullptr) {
        renumbering.emplace(source.strings->size());
    }
    DeflateStream out(source.zip.where(rewrite.part), PartContent::CellMarkup);
    complete = rewriteSheet(source.zip, rewrite.part, scope, rewrite.droppedRelationships,
                            source.otherSheets, renumbering ? &*renumbering : nullptr, out, facts);
    return {out.finish(), renumbering ? renumbering->takeOrder() : std::vector<std::uint32_t>{}};
}

}  // namespace

std::optional<PreparedSheet> prepareSheet(const ExtractionSource& source, std::size_t sheet,
                                          const SheetScope& scope, SheetScanEvents& facts) {
    // The graph the sheet would have if it turns out to refer to other sheets; extraction
    // checks that the real one asks for the same.
    SheetFacts assumed;
    assumed.refersToOtherSheets = true;
    const PartGraph graph = buildPartGraph(source, sheet, assumed, scope);
    const auto rewrite =
        std::find_if(graph.rewrites.begin(), graph.rewrites.end(),
                     [](const PartRewrite& r) { return r.kind == PartRewrite::Kind::Sheet; });
    if (rewrite == graph.rewrites.end()) {
        return std::nullopt;
    }
    bool complete = false;
    auto [part, order] = rewriteWhole(source, scope, *rewrite, &facts, complete);
    if (!complete) {
        return std::nullopt;
    }
    return PreparedSheet{rewrite->droppedRelationships, std::move(part), std::move(order)};
}

void extractSheet(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
                  const SheetScope& scope, const std::filesystem::path& output,
                  PreparedSheet* prepared) {
    const std::string mainType(mainContentTypeFor(lowercaseExtension(output.string())));
    const PartGraph graph = buildPartGraph(source, sheet, scan, scope);
    std::map<std::string, DeflatedPart> generated;
    // A rewritten sheet renumbers its shared strings, so the table holds only those it uses,
    // in the order the sheet first uses them; the sheet goes first to learn which they are.
    std::optional<std::vector<std::uint32_t>> stringOrder;
    for (const auto& rewrite : graph.rewrites) {
        if (rewrite.kind != PartRewrite::Kind::Sheet) {
            continue;
        }
        if (prepared != nullptr && prepared->droppedRelationships == rewrite.droppedRelationships) {
            generated[rewrite.part] = std::move(prepared->part);
            stringOrder = std::move(prepared->stringOrder);
            prepared = nullptr;
        } else {
            bool complete = false;
            auto [part, order] = rewriteWhole(source, scope, rewrite, nullptr, complete);
            generated[rewrite.part] = std::move(part);
            stringOrder = std::move(order);
        }
    }
    for (const auto& rewrite : graph.rewrites) {
        if (rewrite.kind == PartRewrite::Kind::Sheet) {
            continue;
        }
        if (rewrite.kind == PartRewrite::Kind::SharedStrings) {
            DeflateStream out(source.zip.where(rewrite.part));
            const auto sink = [&](std::string_view piece) { out.write(piece); };
            if (stringOrder) {
                writeSharedStrings(*source.strings, *stringOrder, sink);
            } else {
                writeSharedStrings(*source.strings, scan.usedStrings, sink);
            }
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
