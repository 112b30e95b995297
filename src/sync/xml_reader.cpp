#include "xml_reader.h"

#include <cstdint>
#include <map>
#include <stdexcept>

namespace qor {

namespace {

constexpr std::size_t kDeepest = 256;

struct XmlFault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Appends code point `c` as UTF-8.
void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameChar(char c) { return !isSpace(c) && c != '>' && c != '/' && c != '=' && c != '<' && c != '"' && c != '\''; }

// A namespace scope: prefix -> URI, with the outer scopes' declarations below it.
using Scope = std::map<std::string, std::string, std::less<>>;

class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    XmlElement document()
    {
        skipMisc();
        if (!at("<"))
            throw XmlFault("no element");
        Scope scope{{"xml", "http://www.w3.org/XML/1998/namespace"}};
        XmlElement root = element(scope, 0);
        skipMisc();
        if (m_pos != m_text.size())
            throw XmlFault("text after the root element");
        return root;
    }

private:
    bool at(std::string_view s) const { return m_text.substr(m_pos, s.size()) == s; }
    void expect(std::string_view s)
    {
        if (!at(s))
            throw XmlFault("expected '" + std::string(s) + "'");
        m_pos += s.size();
    }
    void skipSpace()
    {
        while (m_pos < m_text.size() && isSpace(m_text[m_pos]))
            ++m_pos;
    }
    void skipPast(std::string_view end)
    {
        const std::size_t found = m_text.find(end, m_pos);
        if (found == std::string_view::npos)
            throw XmlFault("unterminated '" + std::string(end) + "'");
        m_pos = found + end.size();
    }
    // Comments, processing instructions, a plain DOCTYPE and white space between elements.
    void skipMisc()
    {
        for (;;) {
            skipSpace();
            if (at("<?"))
                skipPast("?>");
            else if (at("<!--"))
                skipPast("-->");
            else if (at("<!DOCTYPE")) {
                const std::size_t end = m_text.find('>', m_pos);
                if (end == std::string_view::npos || m_text.substr(m_pos, end - m_pos).find('[') != std::string_view::npos)
                    throw XmlFault("a DOCTYPE with declarations is not read");
                m_pos = end + 1;
            } else
                return;
        }
    }
    std::string_view name()
    {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && isNameChar(m_text[m_pos]))
            ++m_pos;
        if (m_pos == start)
            throw XmlFault("expected a name");
        return m_text.substr(start, m_pos - start);
    }
    // Character data up to `stop`, entities read.
    std::string characters(char stop)
    {
        std::string out;
        while (m_pos < m_text.size() && m_text[m_pos] != stop) {
            const char c = m_text[m_pos];
            if (c == '&') {
                entity(out);
            } else {
                if (stop != '<' && c == '<')
                    throw XmlFault("'<' in an attribute");
                out += c;
                ++m_pos;
            }
        }
        return out;
    }
    void entity(std::string& out)
    {
        const std::size_t end = m_text.find(';', m_pos);
        if (end == std::string_view::npos || end - m_pos > 12)
            throw XmlFault("unterminated entity");
        const std::string_view ref = m_text.substr(m_pos + 1, end - m_pos - 1);
        m_pos = end + 1;
        static const std::map<std::string_view, char> named{
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        if (const auto found = named.find(ref); found != named.end()) {
            out += found->second;
            return;
        }
        if (ref.size() < 2 || ref[0] != '#')
            throw XmlFault("unknown entity '&" + std::string(ref) + ";'");
        const bool hex = ref[1] == 'x';
        std::uint32_t code = 0;
        const std::string_view digits = ref.substr(hex ? 2 : 1);
        if (digits.empty())
            throw XmlFault("empty character reference");
        for (char d : digits) {
            int v = -1;
            if (d >= '0' && d <= '9')
                v = d - '0';
            else if (hex && d >= 'a' && d <= 'f')
                v = d - 'a' + 10;
            else if (hex && d >= 'A' && d <= 'F')
                v = d - 'A' + 10;
            if (v < 0)
                throw XmlFault("bad character reference");
            code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
            if (code > 0x10FFFF)
                throw XmlFault("character reference out of range");
        }
        appendUtf8(out, code);
    }
    static void resolve(const Scope& scope, std::string_view qualified, bool isAttribute, std::string& ns,
                        std::string& local)
    {
        const std::size_t colon = qualified.find(':');
        if (colon == std::string_view::npos) {
            local = qualified;
            const auto found = scope.find(std::string_view(""));
            ns = isAttribute || found == scope.end() ? std::string() : found->second;
            return;
        }
        const std::string_view prefix = qualified.substr(0, colon);
        const auto found = scope.find(prefix);
        if (found == scope.end())
            throw XmlFault("undeclared prefix '" + std::string(prefix) + "'");
        ns = found->second;
        local = qualified.substr(colon + 1);
    }

    XmlElement element(const Scope& outer, std::size_t depth)
    {
        if (depth >= kDeepest)
            throw XmlFault("elements nested too deep");
        expect("<");
        const std::string_view qualified = name();
        Scope scope = outer;
        bool empty = false;
        for (;;) {
            skipSpace();
            if (at("/>")) {
                m_pos += 2;
                empty = true;
                break;
            }
            if (at(">")) {
                ++m_pos;
                break;
            }
            const std::string_view attribute = name();
            skipSpace();
            expect("=");
            skipSpace();
            if (m_pos >= m_text.size() || (m_text[m_pos] != '"' && m_text[m_pos] != '\''))
                throw XmlFault("an attribute without a quoted value");
            const char quote = m_text[m_pos++];
            std::string value = characters(quote);
            expect(std::string_view(&quote, 1));
            if (attribute == "xmlns")
                scope[""] = std::move(value);
            else if (attribute.starts_with("xmlns:"))
                scope[std::string(attribute.substr(6))] = std::move(value);
        }
        XmlElement e;
        resolve(scope, qualified, false, e.ns, e.name);
        if (empty)
            return e;
        for (;;) {
            if (m_pos >= m_text.size())
                throw XmlFault("element '" + std::string(qualified) + "' is not closed");
            if (at("</")) {
                m_pos += 2;
                if (name() != qualified)
                    throw XmlFault("mismatched end of '" + std::string(qualified) + "'");
                skipSpace();
                expect(">");
                return e;
            }
            if (at("<!--"))
                skipPast("-->");
            else if (at("<![CDATA[")) {
                m_pos += 9;
                const std::size_t end = m_text.find("]]>", m_pos);
                if (end == std::string_view::npos)
                    throw XmlFault("unterminated CDATA");
                e.text.append(m_text.substr(m_pos, end - m_pos));
                m_pos = end + 3;
            } else if (at("<?"))
                skipPast("?>");
            else if (at("<"))
                e.children.push_back(element(scope, depth + 1));
            else
                e.text += characters('<');
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

void findIn(const XmlElement& e, std::string_view ns, std::string_view name, const XmlElement*& found)
{
    for (const XmlElement& c : e.children) {
        if (found != nullptr)
            return;
        if (c.is(ns, name))
            found = &c;
        else
            findIn(c, ns, name, found);
    }
}

} // namespace

const XmlElement* XmlElement::child(std::string_view wantNs, std::string_view wantName) const
{
    for (const XmlElement& c : children)
        if (c.is(wantNs, wantName))
            return &c;
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::childrenNamed(std::string_view wantNs, std::string_view wantName) const
{
    std::vector<const XmlElement*> found;
    for (const XmlElement& c : children)
        if (c.is(wantNs, wantName))
            found.push_back(&c);
    return found;
}

const XmlElement* XmlElement::find(std::string_view wantNs, std::string_view wantName) const
{
    const XmlElement* found = nullptr;
    findIn(*this, wantNs, wantName, found);
    return found;
}

XmlDocument readXml(std::string_view text)
{
    XmlDocument doc;
    try {
        doc.root = Parser(text).document();
    } catch (const XmlFault& fault) {
        doc.error = fault.what();
    }
    return doc;
}

std::string xmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace qor
