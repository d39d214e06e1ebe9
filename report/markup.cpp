#include "report/markup.h"

namespace report {

void appendEscaped(std::string& out, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
}

void appendNameMarkup(std::string& out, const char* name, const std::set<const char*>& groupNames)
{
    if (!name)
        return;
    const char* kind = name[0] == '/' ? "cReq" : name[0] == 'h' ? "cRef" : nullptr;
    if (!kind) {
        appendEscaped(out, name);
        return;
    }
    out += "<span class=\"";
    out += kind;
    if (groupNames.count(name))
        out += 'G';
    out += "\">";
    appendEscaped(out, name);
    out += "</span>";
}

} // namespace report
