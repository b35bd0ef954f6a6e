#include "model/routing/route.hpp"

#include "model/routing/segment.hpp"

namespace Model {

std::vector<std::shared_ptr<Segment>> Route::new_segments() const {
    std::vector<std::shared_ptr<Segment>> segs;
    if (cells.size() < 2) {
        return segs;
    }
    Segment* previous = nullptr;
    auto close = [&](const CellPos& a, const CellPos& b) {
        auto seg = std::make_shared<Segment>(a, b, previous, nullptr);
        if (previous) {
            previous->next = seg.get();
        }
        previous = seg.get();
        segs.push_back(std::move(seg));
    };
    CellPos a = cells[0];
    CellPos b = cells[1];
    for (size_t i = 2; i < cells.size(); ++i) {
        const CellPos& c = cells[i];
        const bool straight = (a.h == b.h && b.h == c.h) || (a.v == b.v && b.v == c.v);
        if (straight) {
            b = c;
        } else {
            close(a, b);
            a = b;
            b = c;
        }
    }
    close(a, b);
    return segs;
}

}  // namespace Model
