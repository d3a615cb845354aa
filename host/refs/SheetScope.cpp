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
        if (model.sheets[i].info.kind != SheetKind::Worksheet || model.sheets[i].part.empty()) {
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
    // What a name in a formula of this sheet stands for: the sheet's own name of that spelling,
    // else the workbook-wide one. Other sheets' names are not in reach (no name of theirs hides
    // a workbook-wide one); "Other!Name" is foreign by its sheet anyway.
    std::map<std::string, std::size_t> meant;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].localSheet < 0) {
            meant.emplace(lowercase(names[i].name), i);
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].localSheet >= 0 && static_cast<std::size_t>(names[i].localSheet) == sheet) {
            meant[lowercase(names[i].name)] = i;
        }
    }
    for (const auto& [name, index] : meant) {
        nameTexts_.emplace(name, names[index].formula);
    }
    // A formula that uses a name the output does not keep would be #NAME? there (or, when a
    // dropped local name hid a kept workbook-wide one, would mean that other name): it is foreign.
    for (bool changed = true; changed;) {
        changed = false;
        droppedNames_.clear();
        for (const auto& [name, index] : meant) {
            if (!keptNames_[index]) {
                droppedNames_.insert(name);
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

const std::string* SheetScope::nameText(std::string_view name) const {
    const auto it = nameTexts_.find(lowercase(name));
    return it == nameTexts_.end() ? nullptr : &it->second;
}

bool SheetScope::isExternal(std::string_view formula) const {
    return scanFormula(formula).external;
}

}  // namespace pv::host
