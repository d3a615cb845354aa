#include "host/cells/StyleTable.h"

#include <map>

#include "host/cells/BuiltInFormats.h"
#include "host/cells/DateFormat.h"
#include "host/cells/GeneralFormat.h"
#include "host/cells/NumberFormat.h"
#include "host/xml/XmlDocument.h"
#include "host/xml/XmlStream.h"

namespace pv::host {

void StyleTable::load(const ZipReader& zip, const std::string& part) {
    byStyle_.clear();
    codeByStyle_.clear();
    idByStyle_.clear();
    pugi::xml_document doc;
    loadPart(doc, zip, part);
    const auto root = doc.document_element();
    std::map<int, std::string> codes;
    for (auto fmt : childLocal(root, "numFmts").children()) {
        codes[fmt.attribute("numFmtId").as_int()] = fmt.attribute("formatCode").value();
    }
    for (auto xf : childLocal(root, "cellXfs").children()) {
        if (localName(xf.name()) != "xf") {
            continue;
        }
        const int id = xf.attribute("numFmtId").as_int();
        const auto it = codes.find(id);
        const std::string code =
            it == codes.end() ? std::string(builtInFormatCode(id)) : it->second;
        Shows shows = Shows::Number;
        if (isDateFormat(id, code)) {
            shows = !isTimeOnlyFormat(id, code)           ? Shows::Date
                    : code.find('[') != std::string::npos ? Shows::ElapsedTime
                                                          : Shows::Time;
        }
        byStyle_.push_back(shows);
        codeByStyle_.push_back(code);
        idByStyle_.push_back(id);
    }
}

std::string StyleTable::formatNumber(double value, int style, bool date1904) const {
    const Shows shows = style >= 0 && static_cast<std::size_t>(style) < byStyle_.size()
                            ? byStyle_[static_cast<std::size_t>(style)]
                            : Shows::Number;
    switch (shows) {
        case Shows::Date:
            return formatDateSerial(value, date1904);
        case Shows::Time:
            return formatTimeSerial(value, false);
        case Shows::ElapsedTime:
            return formatTimeSerial(value, true);
        case Shows::Number:
            break;
    }
    return formatGeneral(value);
}

std::string StyleTable::formatShown(double value, int style, bool date1904) const {
    const bool known = style >= 0 && static_cast<std::size_t>(style) < byStyle_.size();
    if (known) {
        const auto at = static_cast<std::size_t>(style);
        auto shown = byStyle_[at] == Shows::Number
                         ? formatWithCode(value, codeByStyle_[at])
                         : formatDateWithCode(value, idByStyle_[at], codeByStyle_[at], date1904);
        if (shown) {
            return *shown;
        }
    }
    return formatNumber(value, style, date1904);
}

}  // namespace pv::host
