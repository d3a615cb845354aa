#include "host/refs/SheetScope.h"

#include "host/package/PackagePath.h"
#include "host/package/WorkbookModel.h"
#include "host/refs/FormulaReferences.h"
#include "host/xml/XmlDocument.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

SheetScope::TableNames SheetScope::readTableNames(const ZipReader& zip,
                                                  const WorkbookModel& model) {
    TableNames tables;
    for (std::size_t i = 0; i < model.sheets.size(); ++i) {
        if (model.sheets[i].info.kind != SheetKind::Worksheet) {
            continue;
        }
        for (const auto& rel : readRelationships(zip, model.sheets[i].part)) {
            if (!rel.is("table") || !zip.contains(rel.target)) {
                continue;
            }
            pugi::xml_document doc;
            loadPart(doc, zip, rel.target);
            for (const char* attribute : {"name", "displayName"}) {
                tables[i].insert(lowercase(doc.document_element().attribute(attribute).value()));
            }
        }
    }
    return tables;
}

SheetScope::SheetScope(const WorkbookModel& model, const TableNames& tables, std::size_t sheet)
    : sheetName_(lowercase(model.sheets[sheet].info.name)) {
    for (const auto& [index, names] : tables) {
        if (index != sheet) {
            foreignTables_.insert(names.begin(), names.end());
        }
    }
    // Names of other sheets go; then, until nothing changes, names whose text refers outside.
    const auto& names = model.names;
    keptNames_.assign(names.size(), true);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].localSheet >= 0 && static_cast<std::size_t>(names[i].localSheet) != sheet) {
            keptNames_[i] = false;
        }
    }
    for (bool changed = true; changed;) {
        changed = false;
        droppedNames_.clear();
        for (std::size_t i = 0; i < names.size(); ++i) {
            // A dropped local name does not hide a workbook-wide one of the same name.
            if (!keptNames_[i] && names[i].localSheet < 0) {
                droppedNames_.insert(lowercase(names[i].name));
            }
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (keptNames_[i] && refersOutside(names[i].formula)) {
                keptNames_[i] = false;
                changed = true;
            }
        }
    }
}

bool SheetScope::refersOutside(std::string_view formula) const {
    const auto refs = scanFormula(formula);
    if (refs.threeD) {
        return true;
    }
    for (const auto& name : refs.sheets) {
        if (lowercase(name) != sheetName_) {
            return true;
        }
    }
    for (const auto& id : refs.identifiers) {
        const std::string lower = lowercase(id);
        if (droppedNames_.count(lower) != 0 || foreignTables_.count(lower) != 0) {
            return true;
        }
    }
    return false;
}

bool SheetScope::isForeign(std::string_view formula) const {
    return refersOutside(formula);
}

bool SheetScope::isExternal(std::string_view formula) const {
    return scanFormula(formula).external;
}

}  // namespace pv::host
