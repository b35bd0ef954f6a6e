#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Model {

class Workspace;

// A recovery copy found on disk.
struct RecoveryCopy {
    // The copy's own file.
    std::string file;
    // The path of the document it copies; empty for one never saved.
    std::string document_path;
    // When it was written, in microseconds since the epoch.
    int64_t saved_at = 0;
};

// Recovery copies of unsaved documents in one folder ($XDG_STATE_HOME/lattrix
// for the editor). Each running editor writes one copy, named after itself,
// and holds a lock beside it for as long as it runs: another editor sees
// the lock and neither offers nor deletes that copy. A copy whose lock is
// free was left by an editor that ended without cleaning up (a crash, a
// kill) and may be offered to the user.
//
// A copy is one file, written whole beside its place and renamed over it,
// so a copy on disk is always complete: the document's own element inside
// a "recovery" element that records the document's path and the time.
class RecoveryStore {
  public:
    // Creates the folder (private to the user) if need be and takes this
    // editor's lock. When either fails the store works on nothing: writes
    // fail and nothing is found.
    explicit RecoveryStore(std::string dir);
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    // $XDG_STATE_HOME/lattrix, or ~/.local/state/lattrix without it.
    static std::string default_dir();

    bool is_usable() const { return m_lock_fd >= 0; }
    const std::string& get_dir() const { return m_dir; }
    // This editor's copy (it need not exist).
    const std::string& get_own_file() const { return m_own_file; }

    // The copy of ws as it would be written now, for document_path.
    static std::string encode(Workspace& ws, const std::string& document_path, int64_t saved_at);
    // Writes contents as this editor's copy, whole or not at all. Safe to
    // call from another thread while the main thread goes on.
    bool write_own(const std::string& contents) const;
    // Removes this editor's copy, if any.
    void remove_own() const;
    // Turns this editor's copy into one nobody holds, to be offered at the
    // next start: the changes of a document replaced without being saved.
    void set_aside_own() const;

    // The copies of editors that no longer run, newest first.
    std::vector<RecoveryCopy> find_orphans() const;
    // The path and time a copy records; none for a file that holds no copy.
    static std::optional<RecoveryCopy> describe(const std::string& file);

    // An orphan locked for this editor while the user decides about it, so
    // that another editor starting now does not offer it too. Releases the
    // lock when destroyed; remove() deletes the copy first.
    class Claim {
      public:
        Claim(RecoveryCopy copy, std::string lock_file, int fd);
        ~Claim();
        Claim(Claim&& other) noexcept;
        Claim& operator=(Claim&&) = delete;
        Claim(const Claim&) = delete;
        Claim& operator=(const Claim&) = delete;
        const RecoveryCopy& get_copy() const { return m_copy; }
        void remove();

      private:
        RecoveryCopy m_copy;
        std::string m_lock_file;
        int m_fd = -1;
    };
    // Locks an orphan; none when another editor holds it or it is gone.
    std::optional<Claim> claim(const RecoveryCopy& copy) const;

  private:
    std::string m_dir;
    std::string m_own_file;
    std::string m_own_lock;
    int m_lock_fd = -1;
};

}  // namespace Model
