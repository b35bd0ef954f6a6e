#include "common/unique_id_generator.hpp"

#include <memory>
#include <random>

namespace {

std::unique_ptr<std::mt19937>& shared_source() {
    static std::unique_ptr<std::mt19937> source;
    return source;
}

std::optional<uint32_t>& fixed_seed() {
    static std::optional<uint32_t> seed;
    return seed;
}

std::unique_ptr<std::mt19937> new_seeded_source() {
    if (fixed_seed()) {
        return std::make_unique<std::mt19937>(*fixed_seed());
    }
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device()};
    return std::make_unique<std::mt19937>(seed);
}

}  // namespace

void UniqueIdGenerator::set_fixed_seed(std::optional<uint32_t> seed) {
    fixed_seed() = seed;
}

UniqueIdGenerator::UniqueIdGenerator() {
    shared_source() = new_seeded_source();
}

uint32_t UniqueIdGenerator::new_uid() {
    std::mt19937& source = *shared_source();
    // mt19937 yields exactly 32 uniformly distributed bits per draw.
    uint32_t uid = static_cast<uint32_t>(source());
    while (m_used.contains(uid)) {
        uid = static_cast<uint32_t>(source());
    }
    m_used.insert(uid);
    return uid;
}

void UniqueIdGenerator::delete_uid(uint32_t uid) {
    m_used.erase(uid);
}

void UniqueIdGenerator::invalidate_uid(uint32_t uid) {
    m_used.insert(uid);
}
