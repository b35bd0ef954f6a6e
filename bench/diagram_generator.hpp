#pragma once

// Deterministic class diagrams of a chosen size for the benchmarks, written
// as a Lattrix document or as the same classes and edges for dot.
//
// The shape imitates a hand-made diagram: classes sit on every other line of
// a square lattice (the lines between stay free for connectors), a quarter
// of the lattice places are left empty, each class has a name and two to
// four attribute/operation lines, and there are 1.5 connectors per class of
// mixed kinds, each joining two classes at most two lattice steps apart.
// One seed fixes everything: the same N always gives the same diagram.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Bench {

struct GenClass {
    int32_t h = 0;
    int32_t v = 0;
    uint32_t uid = 0;
    std::string name;
    std::vector<std::string> attributes;  // block 1, may be empty
    std::vector<std::string> operations;  // block 2, may be empty
};

struct GenConnector {
    uint32_t uid = 0;
    size_t from = 0;  // index into GenDiagram::classes
    size_t to = 0;
    std::string kind;  // one of the five document names
};

struct GenDiagram {
    std::vector<GenClass> classes;
    std::vector<GenConnector> connectors;
};

inline constexpr uint32_t DEFAULT_SEED = 20261208;

// What real diagrams have beyond the plain lattice: a few hubs with 20 to 40
// links each; hierarchies where most relations are generalizations towards
// a superclass above; connectors spanning up to ten lattice steps.
struct GenTraits {
    bool hubs = false;
    bool hierarchies = false;
    bool long_links = false;
    // A name on every connector and a label at each end, as a multiplicity
    // and role; only the document carries them (to_document_xml).
    bool labels = false;
    bool any() const { return hubs || hierarchies || long_links || labels; }
};

inline GenDiagram generate_diagram(int n, uint32_t seed = DEFAULT_SEED, GenTraits traits = {}) {
    GenDiagram d;
    if (n <= 0) {
        return d;
    }
    std::mt19937 rng(seed);
    auto pick = [&rng](int bound) {
        return static_cast<int>(rng() % static_cast<unsigned>(bound));
    };

    // A square lattice with room for n classes at three quarters full.
    const int side = std::max(2, static_cast<int>(std::ceil(std::sqrt(n / 0.75))));
    std::vector<std::pair<int, int>> places;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            places.emplace_back(i, j);
        }
    }
    std::shuffle(places.begin(), places.end(), rng);
    places.resize(static_cast<size_t>(n));
    std::sort(places.begin(), places.end(), [](const auto& a, const auto& b) {
        return std::tie(a.second, a.first) < std::tie(b.second, b.first);
    });

    static const char* const TYPES[] = {"int", "String", "double", "bool", "Date", "List<Item>"};
    static const char* const WORDS[] = {"name",  "count",   "total", "owner", "state",  "items",
                                        "price", "created", "id",    "label", "parent", "size"};
    static const char* const VERBS[] = {"get", "set", "load", "save", "find", "update", "check"};
    std::map<std::pair<int, int>, size_t> by_place;
    for (size_t k = 0; k < places.size(); ++k) {
        GenClass c;
        c.h = 2 * places[k].first;
        c.v = 2 * places[k].second;
        c.uid = 0x1000 + static_cast<uint32_t>(k);
        c.name = "Class" + std::to_string(k);
        const int lines = 2 + pick(3);
        const int attrs = 1 + pick(lines - 1);
        for (int a = 0; a < attrs; ++a) {
            c.attributes.push_back(std::string("- ") + WORDS[pick(12)] + std::to_string(a) + " : " +
                                   TYPES[pick(6)]);
        }
        for (int o = attrs; o < lines; ++o) {
            c.operations.push_back(std::string("+ ") + VERBS[pick(7)] + WORDS[pick(12)] + "(" +
                                   (pick(2) ? "" : "x : int") + ") : " + TYPES[pick(6)]);
        }
        by_place[places[k]] = k;
        d.classes.push_back(std::move(c));
    }
    if (n < 2) {
        return d;
    }

    // Kinds weighted as in typical models: associations and inheritance most.
    static const char* const KINDS[] = {
        "association", "association", "association", "generalization", "generalization",
        "dependency",  "dependency",  "aggregation", "aggregation",    "composition"};
    std::set<std::pair<size_t, size_t>> joined;
    const size_t wanted = static_cast<size_t>(n) * 3 / 2;
    // One hub per 50 classes, each the end of 20 to 40 of the connectors.
    std::vector<size_t> hubs;
    std::vector<int> hub_links;
    if (traits.hubs) {
        for (int i = 0; i < std::max(1, n / 50); ++i) {
            hubs.push_back(static_cast<size_t>(pick(n)));
            hub_links.push_back(20 + pick(21));
        }
    }
    const int reach = traits.long_links ? 10 : 2;
    for (size_t tries = 0; d.connectors.size() < wanted && tries < wanted * 20; ++tries) {
        size_t a = static_cast<size_t>(pick(n));
        int r = reach;
        size_t hub = hubs.size();
        for (size_t i = 0; i < hubs.size(); ++i) {
            if (hub_links[i] > 0) {
                hub = i;
                break;
            }
        }
        if (hub < hubs.size()) {
            a = hubs[hub];
            r = std::max(reach, 6);
        } else if (traits.long_links && pick(2) == 0) {
            r = 2;
        }
        std::vector<size_t> near;
        for (int dj = -r; dj <= r; ++dj) {
            for (int di = -r; di <= r; ++di) {
                auto it = by_place.find({places[a].first + di, places[a].second + dj});
                if (it != by_place.end() && it->second != a) {
                    near.push_back(it->second);
                }
            }
        }
        if (near.empty()) {
            continue;
        }
        const size_t b = near[static_cast<size_t>(pick(static_cast<int>(near.size())))];
        if (hub < hubs.size()) {
            // A hub that finds no new partner gives up after its count of tries.
            --hub_links[hub];
        }
        if (!joined.insert({std::min(a, b), std::max(a, b)}).second) {
            continue;
        }
        GenConnector con;
        con.uid = 0x100000 + static_cast<uint32_t>(d.connectors.size());
        con.from = a;
        con.to = b;
        con.kind = KINDS[pick(10)];
        if (traits.hierarchies && pick(10) < 7) {
            // Generalizations point up, to the superclass on a row above
            // (or on the same row, leftwards).
            con.kind = "generalization";
            if (std::tie(d.classes[a].v, d.classes[a].h) <
                std::tie(d.classes[b].v, d.classes[b].h)) {
                std::swap(con.from, con.to);
            }
        }
        d.connectors.push_back(std::move(con));
    }
    return d;
}

namespace detail {

inline std::string xml_escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

inline std::string join(const std::vector<std::string>& lines, const std::string& sep) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        out += (i ? sep : "") + lines[i];
    }
    return out;
}

inline std::string hex_uid(uint32_t uid) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", uid);
    return buf;
}

// Record labels treat these as structure; everything else is literal.
inline std::string dot_escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '{' || c == '}' || c == '|' || c == '<' || c == '>' || c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

}  // namespace detail

// The document this program reads: classes and connectors in uid order;
// with labels, every connector gets a name and both ends a label, picked
// by its uid from texts of the usual lengths.
inline std::string to_document_xml(const GenDiagram& d, bool labels = false) {
    using namespace detail;
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<workspace>\n  <element_cells>\n";
    for (const auto& c : d.classes) {
        x += "    <cell h=\"" + std::to_string(c.h) + "\" v=\"" + std::to_string(c.v) + "\">\n";
        x += "      <class uid=\"" + hex_uid(c.uid) + "\">\n";
        x += "        <name>" + xml_escape(c.name) + "</name>\n";
        if (!c.attributes.empty()) {
            x += "        <block1>" + xml_escape(join(c.attributes, "\n")) + "</block1>\n";
        }
        if (!c.operations.empty()) {
            x += "        <block2>" + xml_escape(join(c.operations, "\n")) + "</block2>\n";
        }
        x += "      </class>\n    </cell>\n";
    }
    x += "  </element_cells>\n  <connector_set>\n";
    for (const auto& con : d.connectors) {
        const GenClass& a = d.classes[con.from];
        const GenClass& b = d.classes[con.to];
        static const char* const names[] = {"uses", "owns", "creates", "observes", "holds"};
        static const char* const ends[] = {"1", "*", "0..1", "1..*", "0..* items", "1 owner"};
        auto end_label = [&](uint32_t salt) {
            return labels ? std::string(" label=\"") + ends[(con.uid * 7 + salt) % 6] + "\""
                          : std::string();
        };
        x += "    <connector uid=\"" + hex_uid(con.uid) + "\" type=\"" + con.kind + "\"" +
             (labels ? std::string(" name=\"") + names[con.uid % 5] + "\"" : std::string()) + ">\n";
        x += "      <start h=\"" + std::to_string(a.h) + "\" v=\"" + std::to_string(a.v) + "\"" +
             end_label(1) + "/>\n";
        x += "      <end h=\"" + std::to_string(b.h) + "\" v=\"" + std::to_string(b.v) + "\"" +
             end_label(4) + "/>\n";
        x += "    </connector>\n";
    }
    x += "  </connector_set>\n</workspace>\n";
    return x;
}

// The same classes and edges for dot: record nodes listing name, attributes
// and operations, edges drawn with the usual UML ends.
inline std::string to_dot(const GenDiagram& d) {
    using namespace detail;
    std::string x = "digraph classes {\n  node [shape=record, fontname=\"Sans\", fontsize=12];\n";
    for (size_t i = 0; i < d.classes.size(); ++i) {
        const GenClass& c = d.classes[i];
        auto block = [](const std::vector<std::string>& lines) {
            std::string s;
            for (const auto& l : lines) {
                s += dot_escape(l) + "\\l";
            }
            return s;
        };
        x += "  c" + std::to_string(i) + " [label=\"{" + dot_escape(c.name) + "|" +
             block(c.attributes) + "|" + block(c.operations) + "}\"];\n";
    }
    for (const auto& con : d.connectors) {
        std::string attrs;
        if (con.kind == "generalization") {
            attrs = "arrowhead=empty";
        } else if (con.kind == "dependency") {
            attrs = "arrowhead=vee, style=dashed";
        } else if (con.kind == "aggregation") {
            attrs = "arrowhead=odiamond";
        } else if (con.kind == "composition") {
            attrs = "arrowhead=diamond";
        } else {
            attrs = "arrowhead=none";
        }
        x += "  c" + std::to_string(con.from) + " -> c" + std::to_string(con.to) + " [" + attrs +
             "];\n";
    }
    x += "}\n";
    return x;
}

inline bool write_file(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace Bench
