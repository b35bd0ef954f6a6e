// lattrix-gen-diagram: writes the benchmark diagram of N classes as a
// Lattrix document or, with --dot, as the same classes and edges for dot;
// --hubs, --hierarchies and --long add the traits of real diagrams, --labels
// a name and end labels on every connector.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "diagram_generator.hpp"

int main(int argc, char** argv) {
    bool dot = false;
    Bench::GenTraits traits;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == '-' && argv[arg][1] == '-'; ++arg) {
        const std::string flag = argv[arg];
        if (flag == "--dot") {
            dot = true;
        } else if (flag == "--hubs") {
            traits.hubs = true;
        } else if (flag == "--hierarchies") {
            traits.hierarchies = true;
        } else if (flag == "--long") {
            traits.long_links = true;
        } else if (flag == "--labels") {
            traits.labels = true;
        } else {
            break;
        }
    }
    if (argc - arg != 2) {
        std::fprintf(
            stderr,
            "usage: lattrix-gen-diagram [--dot] [--hubs] [--hierarchies] [--long] [--labels] N "
            "OUTPUT\n");
        return 1;
    }
    char* end = nullptr;
    const long n = std::strtol(argv[arg], &end, 10);
    if (end == argv[arg] || *end != '\0' || n < 0 || n > 100000) {
        std::fprintf(stderr, "lattrix-gen-diagram: N must be 0 .. 100000: %s\n", argv[arg]);
        return 1;
    }
    const Bench::GenDiagram d =
        Bench::generate_diagram(static_cast<int>(n), Bench::DEFAULT_SEED, traits);
    const std::string text = dot ? Bench::to_dot(d) : Bench::to_document_xml(d, traits.labels);
    if (!Bench::write_file(argv[arg + 1], text)) {
        std::fprintf(stderr, "lattrix-gen-diagram: cannot write %s\n", argv[arg + 1]);
        return 3;
    }
    return 0;
}
