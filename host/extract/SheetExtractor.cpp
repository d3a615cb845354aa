#include "host/extract/SheetExtractor.h"

#include <map>
#include <optional>
#include <set>

#include "core/Error.h"
#include "host/cells/SheetScan.h"
#include "host/extract/ChartRewriter.h"
#include "host/extract/PartWriters.h"
#include "host/extract/PersonsFilter.h"
#include "host/extract/ReferenceRewriters.h"
#include "host/extract/SheetRewriter.h"
#include "host/package/ContentTypes.h"
#include "host/package/PackageErrors.h"
#include "host/package/PackagePath.h"
#include "host/package/WorkbookFormats.h"
#include "host/package/WorkbookModel.h"
#include "host/refs/SheetScope.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"
#include "host/zip/ZipWriter.h"

namespace pv::host {

namespace {

constexpr std::string_view kChartType =
    "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
constexpr std::string_view kChartExType = "application/vnd.ms-office.chartex+xml";
constexpr std::string_view kControlPropertiesType =
    "application/vnd.ms-excel.controlproperties+xml";
constexpr std::string_view kVmlDrawingType =
    "application/vnd.openxmlformats-officedocument.vmlDrawing";
constexpr std::string_view kPivotCacheType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.pivotCacheDefinition+xml";

class Extraction {
  public:
    Extraction(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
               const SheetScope& scope)
        : src_(source),
          zip_(source.zip),
          model_(source.model),
          sheet_(sheet),
          scan_(scan),
          scope_(scope) {}

    void run(const std::filesystem::path& output) {
        const std::string mainType(mainContentTypeFor(lowercaseExtension(output.string())));
        collectParts();
        ZipWriter writer(output);
        std::vector<std::string> parts;
        for (const auto& entry : zip_.entries()) {
            if (isKept(entry.name)) {
                parts.push_back(entry.name);
            }
        }
        writer.add("[Content_Types].xml",
                   writeContentTypes(src_.types, parts, model_.workbookPart, mainType));
        for (const auto& entry : zip_.entries()) {
            const std::string& part = entry.name;
            if (part == "[Content_Types].xml" || kept_.count(lowercase(part)) == 0) {
                continue;
            }
            if (auto it = generated_.find(part); it != generated_.end()) {
                writer.add(part, std::move(it->second));
            } else {
                writer.copyRaw(zip_, part);
            }
        }
        writer.commit();
    }

  private:
    void keep(const std::string& part) { kept_.insert(lowercase(part)); }
    // The part name as the package spells it.
    std::string stored(const std::string& part) const {
        const ZipEntry* entry = zip_.find(part);
        if (entry == nullptr) {
            throw Error(ZipError::MissingPart, zip_.where(part) + ": part missing");
        }
        return entry->name;
    }
    bool isKept(const std::string& part) const { return kept_.count(lowercase(part)) != 0; }

    void collectParts() {
        const SheetEntry& sheet = model_.sheets[sheet_];
        for (const auto& other : model_.sheets) {
            foreignParts_.insert(lowercase(other.part));
        }
        foreignParts_.insert(lowercase(model_.workbookPart));
        foreignParts_.erase(lowercase(sheet.part));
        for (const auto& rel : model_.workbookRelationships) {
            if (!rel.target.empty()) {
                workbookLevel_.insert(lowercase(rel.target));
            }
        }

        std::vector<std::string> stack;
        follow(sheet.part, stack);
        if (model_.sheets[sheet_].info.kind == SheetKind::Worksheet &&
            (scan_.refersToOtherSheets || !droppedSheetReferences_.empty())) {
            generated_[sheet.part] =
                rewriteSheet(zip_, sheet.part, scope_, droppedSheetReferences_);
        }

        bool keepExternal = scan_.refersToExternalWorkbooks;
        for (std::size_t i = 0; i < model_.names.size(); ++i) {
            keepExternal = keepExternal ||
                           (scope_.keptNames()[i] && scope_.isExternal(model_.names[i].formula));
        }
        keptExternalLinks_ = keepExternal;
        for (const auto& rel : model_.workbookRelationships) {
            if (rel.target.empty() || !zip_.contains(rel.target)) {
                continue;
            }
            const std::string type = lowercase(rel.type);
            const bool wanted =
                rel.is("styles") || rel.is("theme") || rel.is("sharedStrings") ||
                (rel.is("externalLink") && keepExternal) ||
                ((rel.is("sheetMetadata") || type.find("richdata") != std::string::npos ||
                  type.find("/rd") != std::string::npos) &&
                 scan_.usesCellMetadata) ||
                (rel.is("person") && usesThreadedComments_) ||
                (rel.is("connections") && usesQueryTables_) ||
                lowercase(rel.target) == lowercase(sheet.part) ||
                neededWorkbookLevel_.count(lowercase(rel.target)) != 0;
            if (wanted) {
                keptWorkbookRelationships_.insert(rel.id);
                if (!isKept(rel.target)) {
                    follow(rel.target, stack);
                }
                if (rel.is("person")) {
                    const std::string persons = stored(rel.target);
                    generated_[persons] = filterPersons(zip_, persons, threadedComments_);
                }
            }
        }
        keep(model_.workbookPart);
        const std::string workbookRels = stored(relationshipsPartOf(model_.workbookPart));
        keep(workbookRels);
        generated_[model_.workbookPart] = writeWorkbook(
            zip_.read(model_.workbookPart), zip_.where(model_.workbookPart),
            model_.sheets[sheet_].relationshipId, scope_.keptNames(), keptExternalLinks_);
        generated_[workbookRels] = writeRelationshipsKeeping(
            zip_.read(workbookRels), zip_.where(workbookRels), keptWorkbookRelationships_);
        if (!model_.sharedStringsPart.empty() && src_.strings != nullptr) {
            generated_[model_.sharedStringsPart] =
                writeSharedStrings(*src_.strings, scan_.usedStrings);
        }
        packageLevelParts();
    }

    // The part and everything its relationships reach, depth first, refusing cycles and
    // parts of other sheets.
    void follow(const std::string& part, std::vector<std::string>& stack) {
        keep(part);
        const auto rels = readRelationships(zip_, part);
        if (rels.empty()) {
            return;
        }
        stack.push_back(lowercase(part));
        std::set<std::string> dropped;
        const bool isSheet = part == model_.sheets[sheet_].part;
        for (const auto& rel : rels) {
            if (rel.external || rel.target.empty()) {
                continue;
            }
            if (rel.is("threadedComment")) {
                usesThreadedComments_ = true;
                threadedComments_.push_back(rel.target);
            }
            if (rel.is("queryTable")) {
                usesQueryTables_ = true;
            }
            // Pivot tables stay as the cells they show; slicers and timelines need the caches.
            if (isSheet && (rel.is("pivotTable") || rel.is("slicer") || rel.is("timeline"))) {
                dropped.insert(rel.id);
                if (!rel.is("pivotTable")) {
                    droppedSheetReferences_.insert(rel.id);  // the sheet's extLst names them
                }
                continue;
            }
            const ZipEntry* entry = zip_.find(rel.target);
            if (entry == nullptr) {
                continue;
            }
            const std::string lower = lowercase(entry->name);
            if (std::find(stack.begin(), stack.end(), lower) != stack.end()) {
                throw Error(PackageError::RelationshipCycle, zip_.where(part) + ": relationship " +
                                                                 rel.id + " loops back to " +
                                                                 entry->name);
            }
            if (foreignParts_.count(lower) != 0) {
                throw Error(PackageError::SharedSheetPart,
                            zip_.where(entry->name) + ": the part is used by two sheets");
            }
            if (workbookLevel_.count(lower) != 0) {
                neededWorkbookLevel_.insert(lower);
            }
            if (zip_.contains(entry->name) && !isKept(entry->name)) {
                follow(entry->name, stack);
                if (auto rewritten = rewriteForeignReferences(entry->name)) {
                    generated_[entry->name] = std::move(*rewritten);
                }
            }
        }
        stack.pop_back();
        const std::string relsPart = stored(relationshipsPartOf(part));
        keep(relsPart);
        if (!dropped.empty()) {
            generated_[relsPart] =
                writeRelationshipsWithout(zip_.read(relsPart), zip_.where(relsPart), dropped);
        }
    }

    // Parts whose formulas may point at other sheets, written again without those references.
    std::optional<std::string> rewriteForeignReferences(const std::string& part) const {
        const std::string& type = src_.types.of(part);
        if (type == kChartType) {
            return rewriteChart(zip_, part, scope_);
        }
        if (type == kChartExType) {
            return rewriteChartEx(zip_, part, scope_);
        }
        if (type == kControlPropertiesType) {
            return rewriteControlProperties(zip_, part, scope_);
        }
        if (type == kPivotCacheType) {
            return rewritePivotCacheSource(zip_, part, scope_);
        }
        if (type == kVmlDrawingType) {
            return rewriteVmlControlLinks(zip_, part, scope_);
        }
        return std::nullopt;
    }

    void packageLevelParts() {
        keep("_rels/.rels");
        const std::string packageRels = stored("_rels/.rels");
        generated_[packageRels] =
            writePackageRelationships(zip_.read(packageRels), zip_.where(packageRels));
        for (const auto& rel : model_.packageRelationships) {
            const ZipEntry* entry = rel.target.empty() ? nullptr : zip_.find(rel.target);
            if (entry == nullptr) {
                continue;
            }
            if (rel.is("core-properties") || rel.is("custom-properties")) {
                keep(entry->name);
            } else if (rel.is("extended-properties")) {
                keep(entry->name);
                generated_[entry->name] = writeAppProperties(
                    zip_.read(entry->name), zip_.where(entry->name), model_.sheets[sheet_].info);
            }
        }
    }

    const ExtractionSource& src_;
    const ZipReader& zip_;
    const WorkbookModel& model_;
    std::size_t sheet_;
    const SheetFacts& scan_;
    const SheetScope& scope_;
    std::set<std::string> kept_;  // lowercase part names
    std::set<std::string> foreignParts_;
    std::set<std::string> workbookLevel_;
    std::set<std::string> neededWorkbookLevel_;
    std::set<std::string> keptWorkbookRelationships_;
    std::map<std::string, std::string> generated_;
    std::set<std::string> droppedSheetReferences_;
    std::vector<std::string> threadedComments_;
    bool usesThreadedComments_ = false;
    bool usesQueryTables_ = false;
    bool keptExternalLinks_ = false;
};

}  // namespace

void extractSheet(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
                  const SheetScope& scope, const std::filesystem::path& output) {
    Extraction(source, sheet, scan, scope).run(output);
}

}  // namespace pv::host
