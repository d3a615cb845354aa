#include "host/extract/SheetExtractor.h"

#include <map>
#include <optional>
#include <set>

#include "core/Error.h"
#include "host/cells/SharedStrings.h"
#include "host/cells/SheetScan.h"
#include "host/extract/ChartRewriter.h"
#include "host/extract/PersonsFilter.h"
#include "host/extract/ReferenceRewriters.h"
#include "host/extract/SheetRewriter.h"
#include "host/package/ContentTypes.h"
#include "host/package/PackageErrors.h"
#include "host/package/PackagePath.h"
#include "host/package/WorkbookFormats.h"
#include "host/package/WorkbookModel.h"
#include "host/refs/SheetScope.h"
#include "host/xml/XmlDocument.h"
#include "host/xml/XmlEmitter.h"
#include "host/xml/XmlStream.h"
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

// Workbook extensions that point at parts (pivot caches, slicer and timeline caches, the data
// model): those parts are not carried, so neither are the extensions.
bool dropsWorkbookExtension(pugi::xml_node ext) {
    static const std::set<std::string> kUris = {
        "{BBE1A952-AA13-448e-AADC-164F8A28A991}", "{46BE6895-7355-4a93-B00E-2C351335B9C9}",
        "{876F7934-8845-4945-9796-88D515C7AA90}", "{841E416B-1EF1-43b6-AB56-02D37102CBD5}",
        "{983426D0-5260-488c-9760-48F4B6AC55F4}", "{A2CB5862-8E78-49c6-8D9D-AF26E26ADB89}",
        "{D0CA8CA8-9F24-4464-BF8E-62219DCF47F9}", "{FCE2AD5D-F65C-4FA6-A056-5C36A1767C68}"};
    if (kUris.count(ext.attribute("uri").value()) != 0) {
        return true;
    }
    for (auto node : ext.select_nodes(".//*")) {
        for (auto a : node.node().attributes()) {
            if (std::string_view(a.name()).starts_with("r:")) {
                return true;
            }
        }
    }
    return false;
}

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
        writer.add("[Content_Types].xml", contentTypes(mainType));
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
        generated_[model_.workbookPart] = workbookXml();
        generated_[workbookRels] =
            filteredRelationships(model_.workbookPart, [&](const pugi::xml_node& rel) {
                return keptWorkbookRelationships_.count(rel.attribute("Id").value()) != 0;
            });
        if (!model_.sharedStringsPart.empty() && src_.strings != nullptr) {
            generated_[model_.sharedStringsPart] = sharedStringsXml();
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
            generated_[relsPart] = filteredRelationships(part, [&](const pugi::xml_node& rel) {
                return dropped.count(rel.attribute("Id").value()) == 0;
            });
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

    template <typename Keep>
    std::string filteredRelationships(const std::string& part, Keep keepRelationship) {
        const std::string relsPart =
            stored(part.empty() ? "_rels/.rels" : relationshipsPartOf(part));
        pugi::xml_document doc;
        loadPart(doc, zip_, relsPart);
        auto root = doc.document_element();
        for (auto rel = root.first_child(); rel;) {
            auto next = rel.next_sibling();
            if (rel.type() == pugi::node_element && !keepRelationship(rel)) {
                root.remove_child(rel);
            }
            rel = next;
        }
        return saveXml(doc);
    }

    std::string workbookXml() {
        pugi::xml_document doc;
        loadPart(doc, zip_, model_.workbookPart);
        auto root = doc.document_element();
        const std::string keptId = model_.sheets[sheet_].relationshipId;
        for (auto node = root.first_child(); node;) {
            auto next = node.next_sibling();
            const auto local = localName(node.name());
            if (local == "sheets") {
                for (auto sheet = node.first_child(); sheet;) {
                    auto nextSheet = sheet.next_sibling();
                    if (attributeLocal(sheet, "id").value() != keptId) {
                        node.remove_child(sheet);
                    } else {
                        sheet.remove_attribute("state");
                    }
                    sheet = nextSheet;
                }
            } else if (local == "bookViews") {
                for (auto view : node.children()) {
                    view.remove_attribute("activeTab");
                    view.remove_attribute("firstSheet");
                }
            } else if (local == "definedNames") {
                filterNames(node);
                if (!node.first_child()) {
                    root.remove_child(node);
                }
            } else if ((local == "externalReferences" && !keptExternalLinks_) ||
                       local == "pivotCaches" || local == "customWorkbookViews" ||
                       local == "webPublishObjects") {
                root.remove_child(node);
            } else if (local == "extLst") {
                for (auto ext = node.first_child(); ext;) {
                    auto nextExt = ext.next_sibling();
                    if (dropsWorkbookExtension(ext)) {
                        node.remove_child(ext);
                    }
                    ext = nextExt;
                }
                if (!node.first_child()) {
                    root.remove_child(node);
                }
            }
            node = next;
        }
        return saveXml(doc);
    }

    void filterNames(pugi::xml_node names) {
        std::size_t index = 0;
        for (auto name = names.first_child(); name;) {
            auto next = name.next_sibling();
            if (name.type() == pugi::node_element && localName(name.name()) == "definedName") {
                const bool keepIt = index < scope_.keptNames().size() && scope_.keptNames()[index];
                ++index;
                if (!keepIt) {
                    names.remove_child(name);
                } else if (auto local = name.attribute("localSheetId")) {
                    local.set_value(0);
                }
            }
            name = next;
        }
    }

    std::string sharedStringsXml() const {
        const SharedStrings& strings = *src_.strings;
        const std::size_t count = scan_.usedStrings.size();
        const std::string prefix = strings.rootName().substr(0, strings.rootName().size() - 3);
        std::string out;
        XmlEmitter emitter(out);
        emitter.declaration();
        emitter.open(strings.rootName());
        for (const auto& [name, value] : strings.rootAttributes()) {
            if (name != "count" && name != "uniqueCount") {
                emitter.attribute(name, value);
            }
        }
        emitter.attribute("count", std::to_string(count));
        emitter.attribute("uniqueCount", std::to_string(count));
        emitter.raw("");
        // Unused entries stay as blanks so the sheet's indexes need not change.
        const std::string blank = "<" + prefix + "si><" + prefix + "t/></" + prefix + "si>";
        for (std::size_t i = 0; i < count; ++i) {
            out.append(scan_.usedStrings[i] ? strings.xml(i) : std::string_view(blank));
        }
        out.append("</").append(strings.rootName()).append(">");
        return out;
    }

    void packageLevelParts() {
        keep("_rels/.rels");
        generated_[stored("_rels/.rels")] =
            filteredRelationships("", [&](const pugi::xml_node& node) {
                const Relationship rel{"", node.attribute("Type").value(), "", false};
                return rel.is("officeDocument") || rel.is("core-properties") ||
                       rel.is("extended-properties") || rel.is("custom-properties");
            });
        for (const auto& rel : model_.packageRelationships) {
            const ZipEntry* entry = rel.target.empty() ? nullptr : zip_.find(rel.target);
            if (entry == nullptr) {
                continue;
            }
            if (rel.is("core-properties") || rel.is("custom-properties")) {
                keep(entry->name);
            } else if (rel.is("extended-properties")) {
                keep(entry->name);
                generated_[entry->name] = appProperties(entry->name);
            }
        }
    }

    // The application properties list sheet names: list only ours.
    std::string appProperties(const std::string& part) {
        static const char* kVt =
            "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";
        pugi::xml_document doc;
        loadPart(doc, zip_, part);
        auto root = doc.document_element();
        std::string vt;
        for (auto a : root.attributes()) {
            if (std::string_view(a.value()) == kVt &&
                std::string_view(a.name()).starts_with("xmlns:")) {
                vt = std::string(a.name()).substr(6) + ":";
            }
        }
        if (vt.empty()) {
            vt = "vt:";
            root.append_attribute("xmlns:vt") = kVt;
        }
        const auto& sheet = model_.sheets[sheet_];
        const char* heading = sheet.info.kind == SheetKind::Chartsheet ? "Charts" : "Worksheets";
        const std::string prefix = prefixOf(root);
        if (auto pairs = childLocal(root, "HeadingPairs")) {
            pairs.remove_children();
            auto vector = pairs.append_child((vt + "vector").c_str());
            vector.append_attribute("size") = 2;
            vector.append_attribute("baseType") = "variant";
            vector.append_child((vt + "variant").c_str())
                .append_child((vt + "lpstr").c_str())
                .text()
                .set(heading);
            vector.append_child((vt + "variant").c_str())
                .append_child((vt + "i4").c_str())
                .text()
                .set(1);
        }
        if (auto titles = childLocal(root, "TitlesOfParts")) {
            titles.remove_children();
            auto vector = titles.append_child((vt + "vector").c_str());
            vector.append_attribute("size") = 1;
            vector.append_attribute("baseType") = "lpstr";
            vector.append_child((vt + "lpstr").c_str()).text().set(sheet.info.name.c_str());
        }
        return saveXml(doc);
    }

    std::string contentTypes(const std::string& mainType) const {
        std::string out;
        XmlEmitter emitter(out);
        emitter.declaration();
        emitter.open("Types");
        emitter.attribute("xmlns", "http://schemas.openxmlformats.org/package/2006/content-types");
        bool hasRels = false;
        for (const auto& [extension, type] : src_.types.defaults()) {
            hasRels = hasRels || extension == "rels";
            emitter.open("Default");
            emitter.attribute("Extension", extension);
            emitter.attribute("ContentType", type);
            emitter.end("Default");
        }
        if (!hasRels) {
            emitter.open("Default");
            emitter.attribute("Extension", "rels");
            emitter.attribute("ContentType",
                              "application/vnd.openxmlformats-package.relationships+xml");
            emitter.end("Default");
        }
        for (const auto& entry : zip_.entries()) {
            const bool isWorkbook = entry.name == model_.workbookPart;
            if (!isKept(entry.name) || !(isWorkbook || src_.types.hasOverride(entry.name))) {
                continue;
            }
            emitter.open("Override");
            emitter.attribute("PartName", "/" + entry.name);
            emitter.attribute("ContentType", isWorkbook ? mainType : src_.types.of(entry.name));
            emitter.end("Override");
        }
        emitter.end("Types");
        return out;
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
