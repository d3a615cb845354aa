#pragma once
// A hyperlink's location names a place in this workbook only when the link has no relationship
// of its own: with one (r:id), the location is inside the linked file ("Book2.xlsx", Sheet1!A1),
// so it never refers to another sheet of this workbook.
#include "host/xml/XmlStream.h"

namespace pv::host {

// The location of a <hyperlink> element's attributes that points into this workbook; nullptr
// when it has none or points into another file.
inline const char* internalLocation(const char** attributes) {
    return findAttributeLocal(attributes, "id") == nullptr ? findAttribute(attributes, "location")
                                                           : nullptr;
}

}  // namespace pv::host
