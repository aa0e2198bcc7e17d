#include "toolkit/headless/resource_script.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vidudi::toolkit {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Numbers, "(-1)", and names defined earlier (aliases).
std::map<std::string, int> ParseDefines(const std::string& header) {
    std::map<std::string, int> symbols{{"IDOK", 1}, {"IDCANCEL", 2}, {"IDC_STATIC", -1}};
    std::istringstream in(header);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string directive, name, value;
        if (!(words >> directive >> name >> value) || directive != "#define") continue;
        if (value.size() > 2 && value.front() == '(' && value.back() == ')') value = value.substr(1, value.size() - 2);
        const auto alias = symbols.find(value);
        if (alias != symbols.end()) {
            symbols[name] = alias->second;
            continue;
        }
        try {
            symbols[name] = std::stoi(value, nullptr, 0);
        } catch (const std::exception&) {
        }
    }
    return symbols;
}

// Splits a statement's arguments at top-level commas; quoted texts keep their commas.
std::vector<std::string> SplitArguments(const std::string& text) {
    std::vector<std::string> parts;
    std::string current;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            if (quoted && i + 1 < text.size() && text[i + 1] == '"') {  // "" inside a text
                current += "\"\"";
                ++i;
                continue;
            }
            quoted = !quoted;
        }
        if (c == ',' && !quoted) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    for (std::string& part : parts) {
        const auto first = part.find_first_not_of(" \t\r");
        const auto last = part.find_last_not_of(" \t\r");
        part = first == std::string::npos ? "" : part.substr(first, last - first + 1);
    }
    return parts;
}

std::string Unquote(const std::string& text) {
    if (text.size() < 2 || text.front() != '"') return text;
    std::string out;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '"' && text[i + 1] == '"') ++i;  // "" stands for one quote
        if (text[i] == '\\' && i + 2 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
            continue;
        }
        out += text[i];
    }
    return out;
}

bool HasFlag(const std::string& style, const std::string& flag) {
    std::istringstream words(style);
    std::string word;
    bool negate = false;
    while (words >> word) {
        if (word == "|") continue;
        if (word == "NOT") {
            negate = true;
            continue;
        }
        for (std::string piece; !word.empty();) {
            const auto bar = word.find('|');
            piece = word.substr(0, bar);
            if (piece == flag) return !negate;
            if (bar == std::string::npos) break;
            word = word.substr(bar + 1);
            negate = false;
        }
        negate = false;
    }
    return false;
}

bool HasNotFlag(const std::string& style, const std::string& flag) {
    return style.find("NOT " + flag) != std::string::npos;
}

ControlKind KindOfClass(const std::string& className) {
    std::string lower;
    for (char c : className) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "static") return ControlKind::Static;
    if (lower == "edit") return ControlKind::Edit;
    if (lower == "button") return ControlKind::Button;
    if (lower == "combobox") return ControlKind::ComboBox;
    if (lower == "syslistview32") return ControlKind::ListView;
    if (lower == "sysipaddress32") return ControlKind::IpAddress;
    return ControlKind::Other;
}

class Parser {
public:
    explicit Parser(std::map<std::string, int> symbols) : symbols_(std::move(symbols)) {}

    int Number(const std::string& text) const {
        const auto found = symbols_.find(text);
        if (found != symbols_.end()) return found->second;
        try {
            return std::stoi(text, nullptr, 0);
        } catch (const std::exception&) {
            throw std::runtime_error("line " + std::to_string(line_) + ": unknown symbol '" + text + "'");
        }
    }

    Rect RectAt(const std::vector<std::string>& args, std::size_t at) const {
        if (args.size() < at + 4) throw std::runtime_error("line " + std::to_string(line_) + ": too few numbers");
        return {Number(args[at]), Number(args[at + 1]), Number(args[at + 2]), Number(args[at + 3])};
    }

    std::map<int, std::string> strings;
    std::map<int, std::string> files;

    std::map<int, DialogTemplate> Parse(const std::string& script) {
        std::map<int, DialogTemplate> dialogs;
        bool inStrings = false;
        std::istringstream in(script);
        std::string raw;
        DialogTemplate* open = nullptr;
        bool inBody = false;
        std::string pending;  // a statement continued on the next line
        while (std::getline(in, raw)) {
            ++line_;
            std::string text = pending + raw;
            pending.clear();
            const auto first = text.find_first_not_of(" \t\r");
            if (first == std::string::npos || text.compare(first, 2, "//") == 0) continue;
            text = text.substr(first);
            while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
            // A statement whose last argument ends with a comma or '|' goes on.
            if (!text.empty() && (text.back() == ',' || text.back() == '|')) {
                pending = text + " ";
                continue;
            }
            std::istringstream words(text);
            std::string head, kind;
            words >> head >> kind;
            if (inStrings) {
                if (head == "END" || head == "}") inStrings = false;
                const auto quote = text.find('"');
                if (head != "BEGIN" && head != "{" && quote != std::string::npos) {
                    strings[Number(head)] = Unquote(text.substr(quote));
                }
                continue;
            }
            if (!open) {
                if (head == "STRINGTABLE") inStrings = true;
                if ((kind == "BITMAP" || kind == "ICON") && text.find('"') != std::string::npos) {
                    files[Number(head)] = Unquote(text.substr(text.find('"')));
                }
                if (kind == "DIALOGEX" || kind == "DIALOG") {
                    const int id = Number(head);
                    const std::string rest = text.substr(text.find(kind) + kind.size());
                    DialogTemplate dialog;
                    dialog.id = id;
                    dialog.units = RectAt(SplitArguments(rest), 0);
                    open = &(dialogs[id] = dialog);
                }
                continue;
            }
            if (!inBody) {
                if (head == "BEGIN" || head == "{") inBody = true;
                if (head == "CAPTION") open->caption = Unquote(text.substr(text.find('"')));
                continue;
            }
            if (head == "END" || head == "}") {
                open = nullptr;
                inBody = false;
                continue;
            }
            open->controls.push_back(Control(head, text.substr(head.size())));
        }
        return dialogs;
    }

private:
    ControlTemplate Control(const std::string& statement, const std::string& rest) {
        const std::vector<std::string> args = SplitArguments(rest);
        ControlTemplate control;
        std::string style;
        auto styleAt = [&](std::size_t at) { return args.size() > at ? args[at] : std::string(); };
        if (statement == "CONTROL") {
            control.text = Unquote(args.at(0));
            control.id = Number(args.at(1));
            control.kind = KindOfClass(Unquote(args.at(2)));
            style = args.at(3);
            control.units = RectAt(args, 4);
        } else if (statement == "LTEXT" || statement == "RTEXT" || statement == "CTEXT") {
            control.kind = ControlKind::Static;
            control.align = statement[0];
            control.text = Unquote(args.at(0));
            control.id = Number(args.at(1));
            control.units = RectAt(args, 2);
            style = styleAt(6);
        } else if (statement == "PUSHBUTTON" || statement == "DEFPUSHBUTTON") {
            control.kind = ControlKind::Button;
            control.text = Unquote(args.at(0));
            control.id = Number(args.at(1));
            control.units = RectAt(args, 2);
            control.defaultButton = statement == "DEFPUSHBUTTON";
            style = styleAt(6);
        } else if (statement == "EDITTEXT" || statement == "COMBOBOX") {
            control.kind = statement == "EDITTEXT" ? ControlKind::Edit : ControlKind::ComboBox;
            control.id = Number(args.at(0));
            control.units = RectAt(args, 1);
            style = styleAt(5);
        } else if (statement == "ICON") {
            control.kind = ControlKind::Icon;
            control.id = Number(args.at(1));
            control.units = {Number(args.at(2)), Number(args.at(3)), 0, 0};
        } else {
            control.kind = ControlKind::Other;
            control.id = args.size() > 1 ? Number(args[1]) : -1;
        }
        control.visible = !HasNotFlag(style, "WS_VISIBLE");
        control.enabled = !HasFlag(style, "WS_DISABLED");
        control.sorted = HasFlag(style, "CBS_SORT");
        control.password = HasFlag(style, "ES_PASSWORD");
        if (control.kind == ControlKind::Static && HasFlag(style, "SS_ICON")) {
            control.kind = ControlKind::Icon;
            control.icon = Number(control.text);
        }
        control.ownerDrawn = HasFlag(style, "BS_OWNERDRAW");
        if (HasFlag(style, "BS_DEFPUSHBUTTON")) control.defaultButton = true;
        return control;
    }

    std::map<std::string, int> symbols_;
    int line_ = 0;
};

}  // namespace

ResourceScript ParseResourceScript(const std::string& script, const std::string& header) {
    Parser parser(ParseDefines(header));
    ResourceScript resources;
    resources.dialogs = parser.Parse(script);
    resources.strings = parser.strings;
    resources.files = parser.files;
    return resources;
}

Rect DialogUnitsToPixels(const Rect& units) {
    return {units.left * 3 / 2, units.top * 13 / 8, units.width * 3 / 2, units.height * 13 / 8};
}

ResourceScript LoadResourceScript(const std::string& scriptPath, const std::string& headerPath) {
    return ParseResourceScript(ReadFile(scriptPath), ReadFile(headerPath));
}

}  // namespace vidudi::toolkit
