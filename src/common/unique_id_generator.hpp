#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_set>

// Hands out random 32-bit identifiers that are unique among those it has
// handed out or been told about. All generators draw from one shared random
// source, which every new generator reseeds from the platform's entropy.
class UniqueIdGenerator {
  public:
    UniqueIdGenerator();

    // A uniformly drawn identifier not yet in use; it is in use afterwards.
    // 0 is an ordinary value.
    uint32_t new_uid();
    // Frees uid for reuse; no effect when it is not in use.
    void delete_uid(uint32_t uid);
    // Marks an identifier that came from elsewhere (a file) as in use.
    void invalidate_uid(uint32_t uid);

    bool is_used(uint32_t uid) const { return m_used.contains(uid); }
    size_t used_count() const { return m_used.size(); }

    // ---- for tests only ----------------------------------------------------
    // While set, every new generator seeds the shared source from this value
    // instead of the platform's entropy, so that a test whose outcome depends
    // on uid order runs the same way every time.
    static void set_fixed_seed(std::optional<uint32_t> seed);

  private:
    std::unordered_set<uint32_t> m_used;
};
