#include "host/refs/FormulaReferences.h"

namespace pv::host {

namespace {

bool isNameChar(unsigned char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
           ch == '_' || ch == '.' || ch == '\\' || ch == '?' || ch >= 0x80;
}

class FormulaLexer {
  public:
    explicit FormulaLexer(std::string_view text) : text_(text) {}

    FormulaReferences run() {
        while (pos_ < text_.size()) {
            const char ch = text_[pos_];
            if (ch == '"') {
                skipQuoted('"');
            } else if (ch == '\'') {
                qualifier(readQuoted());
            } else if (ch == '[') {
                skipBracket();
                // "[1]Sheet1!A1" or "[1]!Name": an external workbook.
                while (pos_ < text_.size() && isNameChar(static_cast<unsigned char>(text_[pos_]))) {
                    ++pos_;
                }
                if (pos_ < text_.size() && text_[pos_] == '!') {
                    refs_.external = true;
                    ++pos_;
                }
            } else if (ch == '#') {
                // Error literals: #REF!, #N/A, #DIV/0!, #NULL!, #NAME?, #NUM!, #VALUE!, #SPILL!
                ++pos_;
                while (pos_ < text_.size() &&
                       (isNameChar(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '/' ||
                        text_[pos_] == '!')) {
                    ++pos_;
                }
            } else if (isNameChar(static_cast<unsigned char>(ch))) {
                const std::size_t begin = pos_;
                while (pos_ < text_.size() && isNameChar(static_cast<unsigned char>(text_[pos_]))) {
                    ++pos_;
                }
                const std::string word(text_.substr(begin, pos_ - begin));
                if (pos_ < text_.size() && text_[pos_] == '!') {
                    qualifier(word);
                } else if (pos_ < text_.size() && text_[pos_] == '(') {
                    // A function name.
                } else if (pos_ < text_.size() && text_[pos_] == ':' && spanEndsInQualifier()) {
                    refs_.threeD = true;
                    skipSpanEnd();
                } else if (!(word[0] >= '0' && word[0] <= '9')) {
                    refs_.identifiers.push_back(word);
                    refs_.identifierOffsets.push_back(begin);
                }
                if (pos_ < text_.size() && text_[pos_] == '[') {
                    skipBracket();  // a structured reference: Table1[Column]
                }
            } else {
                ++pos_;
            }
        }
        return refs_;
    }

  private:
    void qualifier(const std::string& name) {
        if (pos_ >= text_.size() || text_[pos_] != '!') {
            return;
        }
        ++pos_;
        if (!name.empty() && name.front() == '[') {
            refs_.external = true;
        } else if (name.find(':') != std::string::npos) {
            refs_.threeD = true;
        } else {
            refs_.sheets.push_back(name);
        }
    }

    // After "Word:" — is the next token a sheet name followed by "!"?
    bool spanEndsInQualifier() const {
        std::size_t p = pos_ + 1;
        if (p < text_.size() && text_[p] == '\'') {
            for (++p; p < text_.size(); ++p) {
                if (text_[p] == '\'') {
                    if (p + 1 < text_.size() && text_[p + 1] == '\'') {
                        ++p;
                        continue;
                    }
                    return p + 1 < text_.size() && text_[p + 1] == '!';
                }
            }
            return false;
        }
        while (p < text_.size() && isNameChar(static_cast<unsigned char>(text_[p]))) {
            ++p;
        }
        return p < text_.size() && text_[p] == '!';
    }

    // Past ":LastSheet!" of a 3-D span.
    void skipSpanEnd() {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\'') {
            readQuoted();
        }
        while (pos_ < text_.size() && text_[pos_] != '!') {
            ++pos_;
        }
        ++pos_;
    }

    void skipQuoted(char quote) {
        for (++pos_; pos_ < text_.size(); ++pos_) {
            if (text_[pos_] == quote) {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == quote) {
                    ++pos_;
                    continue;
                }
                ++pos_;
                return;
            }
        }
    }

    std::string readQuoted() {
        std::string out;
        for (++pos_; pos_ < text_.size(); ++pos_) {
            if (text_[pos_] == '\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                    out += '\'';
                    ++pos_;
                    continue;
                }
                ++pos_;
                break;
            }
            out += text_[pos_];
        }
        return out;
    }

    void skipBracket() {
        int depth = 0;
        for (; pos_ < text_.size(); ++pos_) {
            if (text_[pos_] == '[') {
                ++depth;
            } else if (text_[pos_] == ']' && --depth == 0) {
                ++pos_;
                return;
            } else if (text_[pos_] == '\'' && pos_ + 1 < text_.size()) {
                ++pos_;  // an escaped character inside a structured reference
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    FormulaReferences refs_;
};

}  // namespace

FormulaReferences scanFormula(std::string_view formula) {
    return FormulaLexer(formula).run();
}

std::string quotedInFormula(std::string_view text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        out += c;
        if (c == quote) {
            out += c;
        }
    }
    return out + quote;
}

}  // namespace pv::host
