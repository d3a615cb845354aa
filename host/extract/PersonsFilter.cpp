#include "host/extract/PersonsFilter.h"

#include <set>

#include "host/package/PackagePath.h"
#include "host/xml/XmlDocument.h"
#include "host/zip/ZipReader.h"

namespace pv::host {

// GUIDs, compared without regard to case.
std::string filterPersons(const ZipReader& zip, const std::string& personsPart,
                          const std::vector<std::string>& threadedCommentParts) {
    std::set<std::string> named;
    for (const auto& part : threadedCommentParts) {
        if (!zip.contains(part)) {
            continue;
        }
        pugi::xml_document comments;
        loadPart(comments, zip, part);
        for (auto comment : descendantsLocal(comments, "threadedComment")) {
            named.insert(lowercase(comment.attribute("personId").value()));
        }
        for (auto mention : descendantsLocal(comments, "mention")) {
            named.insert(lowercase(mention.attribute("mentionpersonId").value()));
        }
    }
    pugi::xml_document persons;
    loadPart(persons, zip, personsPart);
    for (auto person : descendantsLocal(persons, "person")) {
        if (named.count(lowercase(person.attribute("id").value())) == 0) {
            person.parent().remove_child(person);
        }
    }
    return saveXml(persons);
}

}  // namespace pv::host
