#include "host/extract/PartGraph.h"

#include <algorithm>
#include <optional>

#include "core/Error.h"
#include "host/cells/SheetScan.h"
#include "host/extract/SheetExtractor.h"
#include "host/package/ContentTypes.h"
#include "host/package/PackageErrors.h"
#include "host/package/PackagePath.h"
#include "host/package/WorkbookModel.h"
#include "host/refs/SheetScope.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"

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
constexpr std::string_view kTableType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml";

class GraphWalk {
  public:
    GraphWalk(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
              const SheetScope& scope)
        : src_(source),
          zip_(source.zip),
          model_(source.model),
          sheet_(sheet),
          scan_(scan),
          scope_(scope) {}

    PartGraph run() {
        collectParts();
        for (const auto& entry : zip_.entries()) {
            if (isKept(entry.name)) {
                graph_.parts.push_back(entry.name);
            }
        }
        return std::move(graph_);
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
    void rewrite(PartRewrite::Kind kind, std::string part, std::set<std::string> dropped = {},
                 std::vector<std::string> threadedComments = {},
                 std::map<std::string, std::string> targets = {}) {
        graph_.rewrites.push_back({kind,
                                   std::move(part),
                                   std::move(dropped),
                                   std::move(threadedComments),
                                   std::move(targets),
                                   {}});
    }
    // Records the relationships part of `part` (as stored) kept, under the name that belongs to
    // `part`'s spelling.
    std::string keepRelationshipsOf(const std::string& part, const std::string& outputName) {
        const std::string rels = stored(relationshipsPartOf(part));
        keep(rels);
        if (rels != outputName) {
            graph_.renamed[rels] = outputName;
        }
        return rels;
    }
    // A followed relationship's Target, where it spells its part otherwise than the package.
    void retarget(std::map<std::string, std::string>& targets, const std::string& source,
                  const Relationship& rel) const {
        const std::string& spelled = stored(rel.target);
        if (spelled != rel.target) {
            targets[rel.id] = relativeTarget(source, spelled);
        }
    }
    // The new Targets of the relationships `ids` of `source` ("" for the package), read as the
    // package writes them (the workbook's model holds them as stored).
    std::map<std::string, std::string> targetsOf(const std::string& source,
                                                 const std::set<std::string>& ids) const {
        std::map<std::string, std::string> targets;
        for (const auto& rel : readRelationships(zip_, source)) {
            if (ids.count(rel.id) != 0 && !rel.target.empty() && zip_.contains(rel.target)) {
                retarget(targets, source, rel);
            }
        }
        return targets;
    }

    void collectParts() {
        const SheetEntry& sheet = model_.sheets[sheet_];
        for (const auto& other : model_.sheets) {
            if (!other.part.empty()) {
                foreignParts_.insert(lowercase(other.part));
            }
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
            rewrite(PartRewrite::Kind::Sheet, stored(sheet.part), droppedSheetReferences_);
        }
        const std::string workbook = stored(model_.workbookPart);

        bool keepExternal = scan_.refersToExternalWorkbooks;
        for (std::size_t i = 0; i < model_.names.size(); ++i) {
            keepExternal = keepExternal ||
                           (scope_.keptNames()[i] && scope_.isExternal(model_.names[i].formula));
        }
        graph_.keepsExternalLinks = keepExternal;
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
                graph_.keptWorkbookRelationships.insert(rel.id);
                if (!isKept(rel.target)) {
                    followPart(rel.target, stack);
                }
                if (rel.is("person")) {
                    rewrite(PartRewrite::Kind::Persons, stored(rel.target), {}, threadedComments_);
                }
                if (rel.is("connections")) {
                    rewrite(PartRewrite::Kind::Connections, stored(rel.target));
                    graph_.rewrites.back().queryTables = queryTables_;
                }
            }
        }
        keep(workbook);
        const std::string workbookRels =
            keepRelationshipsOf(workbook, relationshipsPartOf(workbook));
        rewrite(PartRewrite::Kind::Workbook, workbook);
        rewrite(PartRewrite::Kind::WorkbookRelationships, workbookRels, {}, {},
                targetsOf(workbook, graph_.keptWorkbookRelationships));
        if (!model_.sharedStringsPart.empty() && src_.strings != nullptr) {
            rewrite(PartRewrite::Kind::SharedStrings, stored(model_.sharedStringsPart));
        }
        packageLevelParts();
    }

    // follow(), and the part rewritten when it may point at other sheets or loses links.
    void followPart(const std::string& part, std::vector<std::string>& stack) {
        const std::string name = stored(part);
        const std::set<std::string> links = follow(name, stack);
        const auto kind = foreignReferenceRewrite(name);
        if (kind || !links.empty()) {
            rewrite(kind.value_or(PartRewrite::Kind::Links), name, links);
        }
    }

    // The part and everything its relationships reach, depth first, refusing cycles and
    // parts of other sheets. Returns the relationships dropped with the part's links that lead
    // to other sheets (a shape's or picture's hyperlink to "#'Other'!A1"); on the sheet itself
    // its rewrite drops them.
    std::set<std::string> follow(const std::string& named, std::vector<std::string>& stack) {
        const ZipEntry* self = zip_.find(named);
        const std::string part = self != nullptr ? self->name : named;
        keep(part);
        const auto rels = readRelationships(zip_, part);
        if (rels.empty()) {
            return {};
        }
        stack.push_back(lowercase(part));
        std::set<std::string> dropped;
        std::set<std::string> links;
        std::map<std::string, std::string> targets;
        const bool isSheet = lowercase(part) == lowercase(model_.sheets[sheet_].part);
        for (const auto& rel : rels) {
            if (!rel.location.empty() && scope_.isForeign(rel.location)) {
                dropped.insert(rel.id);
                links.insert(rel.id);
                continue;
            }
            if (rel.external || rel.target.empty()) {
                continue;
            }
            if (rel.is("threadedComment")) {
                usesThreadedComments_ = true;
                threadedComments_.push_back(rel.target);
            }
            if (rel.is("queryTable")) {
                usesQueryTables_ = true;
                queryTables_.push_back(rel.target);
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
            retarget(targets, part, rel);
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
            if (!isKept(entry->name)) {
                followPart(entry->name, stack);
            }
        }
        stack.pop_back();
        const std::string relsPart = keepRelationshipsOf(part, relationshipsPartOf(part));
        if (!dropped.empty() || !targets.empty()) {
            rewrite(PartRewrite::Kind::Relationships, relsPart, std::move(dropped), {},
                    std::move(targets));
        }
        if (isSheet) {
            droppedSheetReferences_.insert(links.begin(), links.end());
            return {};
        }
        return links;
    }

    // Parts whose formulas may point at other sheets, by content type.
    std::optional<PartRewrite::Kind> foreignReferenceRewrite(const std::string& part) const {
        const std::string& type = src_.types.of(part);
        if (type == kChartType) {
            return PartRewrite::Kind::Chart;
        }
        if (type == kChartExType) {
            return PartRewrite::Kind::ChartEx;
        }
        if (type == kControlPropertiesType) {
            return PartRewrite::Kind::ControlProperties;
        }
        if (type == kPivotCacheType) {
            return PartRewrite::Kind::PivotCacheSource;
        }
        if (type == kVmlDrawingType) {
            return PartRewrite::Kind::VmlControlLinks;
        }
        if (type == kTableType) {
            return PartRewrite::Kind::Table;
        }
        return std::nullopt;
    }

    void packageLevelParts() {
        const std::string packageRels = keepRelationshipsOf("", "_rels/.rels");
        std::set<std::string> ids;
        for (const auto& rel : model_.packageRelationships) {
            ids.insert(rel.id);
        }
        rewrite(PartRewrite::Kind::PackageRelationships, packageRels, {}, {}, targetsOf("", ids));
        for (const auto& rel : model_.packageRelationships) {
            const ZipEntry* entry = rel.target.empty() ? nullptr : zip_.find(rel.target);
            if (entry == nullptr) {
                continue;
            }
            if (rel.is("custom-properties")) {
                keep(entry->name);
            } else if (rel.is("core-properties")) {
                keep(entry->name);
                rewrite(PartRewrite::Kind::CoreProperties, entry->name);
            } else if (rel.is("extended-properties")) {
                keep(entry->name);
                rewrite(PartRewrite::Kind::AppProperties, entry->name);
            }
        }
    }

    const ExtractionSource& src_;
    const ZipReader& zip_;
    const WorkbookModel& model_;
    std::size_t sheet_;
    const SheetFacts& scan_;
    const SheetScope& scope_;
    PartGraph graph_;
    std::set<std::string> kept_;  // lowercase part names
    std::set<std::string> foreignParts_;
    std::set<std::string> workbookLevel_;
    std::set<std::string> neededWorkbookLevel_;
    std::set<std::string> droppedSheetReferences_;
    std::vector<std::string> threadedComments_;
    std::vector<std::string> queryTables_;
    bool usesThreadedComments_ = false;
    bool usesQueryTables_ = false;
};

}  // namespace

PartGraph buildPartGraph(const ExtractionSource& source, std::size_t sheet, const SheetFacts& scan,
                         const SheetScope& scope) {
    return GraphWalk(source, sheet, scan, scope).run();
}

}  // namespace pv::host
