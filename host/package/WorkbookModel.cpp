#include "host/package/WorkbookModel.h"

#include <set>

#include "core/Error.h"
#include "host/package/PackageErrors.h"
#include "host/package/PackagePath.h"
#include "host/xml/XmlDocument.h"
#include "host/xml/XmlStream.h"
#include "host/zip/ZipErrors.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

namespace {

SheetVisibility visibilityOf(std::string_view state) {
    if (state == "hidden") {
        return SheetVisibility::Hidden;
    }
    return state == "veryHidden" ? SheetVisibility::VeryHidden : SheetVisibility::Visible;
}

// The namespace of an element, from the declaration on the element itself (enough for a root).
std::string_view namespaceOf(const pugi::xml_node& element) {
    const std::string_view name = element.name();
    const auto colon = name.find(':');
    const std::string declaration =
        colon == std::string_view::npos ? "xmlns" : "xmlns:" + std::string(name.substr(0, colon));
    return element.attribute(declaration.c_str()).value();
}

// Transitional and strict; a pre-release namespace is another format that only looks alike.
bool isSpreadsheetNamespace(std::string_view uri) {
    return uri == "http://schemas.openxmlformats.org/spreadsheetml/2006/main" ||
           uri == "http://purl.oclc.org/ooxml/spreadsheetml/main";
}

}  // namespace

WorkbookModel WorkbookModel::read(const ZipReader& zip) {
    WorkbookModel model;
    model.packageRelationships = readRelationships(zip, "");
    for (const auto& rel : model.packageRelationships) {
        if (rel.is("officeDocument") && !rel.target.empty()) {
            model.workbookPart = rel.target;
            break;
        }
    }
    if (model.workbookPart.empty() || !zip.contains(model.workbookPart)) {
        throw Error(ZipError::MissingPart, zip.file().string() + ": no workbook part");
    }
    // Part names are matched case-insensitively; use the stored spelling from here on.
    model.workbookPart = zip.find(model.workbookPart)->name;
    model.workbookRelationships = readRelationships(zip, model.workbookPart);
    for (auto& rel : model.workbookRelationships) {
        if (const auto* entry = rel.target.empty() ? nullptr : zip.find(rel.target)) {
            rel.target = entry->name;
        }
        if (rel.is("sharedStrings") && zip.contains(rel.target)) {
            model.sharedStringsPart = rel.target;
        } else if (rel.is("styles") && zip.contains(rel.target)) {
            model.stylesPart = rel.target;
        }
    }

    pugi::xml_document doc;
    loadPart(doc, zip, model.workbookPart);
    const auto root = doc.document_element();
    if (const std::string_view uri = namespaceOf(root); !isSpreadsheetNamespace(uri)) {
        throw Error(PackageError::UnknownNamespace,
                    zip.where(model.workbookPart) + ": the workbook is in the namespace \"" +
                        std::string(uri) +
                        "\", which is not Office Open XML's; no reader could use its sheets");
    }
    if (const auto pr = childLocal(root, "workbookPr")) {
        model.date1904 = isTrueValue(pr.attribute("date1904").value());
    }
    std::set<std::string> parts;
    std::set<std::string> names;
    for (auto node : childLocal(root, "sheets").children()) {
        if (localName(node.name()) != "sheet") {
            continue;
        }
        SheetEntry sheet;
        sheet.info.name = node.attribute("name").value();
        sheet.info.visibility = visibilityOf(node.attribute("state").value());
        sheet.relationshipId = attributeLocal(node, "id").value();
        if (!names.insert(lowercase(sheet.info.name)).second || sheet.info.name.empty()) {
            throw Error(PackageError::BadStructure, zip.where(model.workbookPart) +
                                                        ": duplicate or empty sheet name \"" +
                                                        sheet.info.name + "\"");
        }
        const Relationship* rel = nullptr;
        for (const auto& r : model.workbookRelationships) {
            if (r.id == sheet.relationshipId) {
                rel = &r;
            }
        }
        if (sheet.relationshipId.empty()) {
            // Written by some libraries for a sheet that never had cells: readers show it empty.
            model.sheets.push_back(std::move(sheet));
            continue;
        }
        if (rel == nullptr || rel->target.empty() || !zip.contains(rel->target)) {
            throw Error(ZipError::MissingPart, zip.where(model.workbookPart) + ": sheet \"" +
                                                   sheet.info.name + "\" has no part");
        }
        sheet.part = rel->target;
        sheet.info.kind = rel->is("worksheet")    ? SheetKind::Worksheet
                          : rel->is("chartsheet") ? SheetKind::Chartsheet
                                                  : SheetKind::Other;
        if (!parts.insert(lowercase(sheet.part)).second) {
            throw Error(PackageError::SharedSheetPart,
                        zip.where(sheet.part) + ": the part is used by two sheets");
        }
        model.sheets.push_back(std::move(sheet));
    }
    if (model.sheets.empty()) {
        throw Error(PackageError::BadStructure, zip.where(model.workbookPart) + ": no sheets");
    }
    for (auto node : childLocal(root, "definedNames").children()) {
        if (localName(node.name()) != "definedName") {
            continue;
        }
        DefinedName name;
        name.name = node.attribute("name").value();
        name.localSheet =
            node.attribute("localSheetId") ? node.attribute("localSheetId").as_int() : -1;
        name.formula = node.text().get();
        model.names.push_back(std::move(name));
    }
    return model;
}

}  // namespace pv::host
