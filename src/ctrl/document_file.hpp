#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <giomm/filemonitor.h>
#include <glibmm/dispatcher.h>
#include <sigc++/connection.h>
#include <sigc++/signal.h>
#include <sigc++/trackable.h>

#include "model/recovery_store.hpp"

namespace Model {
class Workspace;
}

namespace Ctrl {

// The version of a file on disk: a rewrite changes at least one of these.
struct DiskStamp {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t mtime_ns = 0;

    static DiskStamp of(const std::string& path);
    bool operator==(const DiskStamp& o) const = default;
};

// The document's file as the editor sees it. Every load and save of the
// window and of the command line goes through here, so that the editor
// notices when another program changes the file, asks before a save
// overwrites such a change, and, once recovery is started, keeps a copy of
// unsaved changes that survives a crash.
class DocumentFile : public sigc::trackable {
  public:
    // About 2 s after the last change, and at least every 30 s while
    // changes go on, the copy is written again.
    static constexpr int COPY_DELAY_MS = 2000;
    static constexpr int COPY_MAX_DELAY_MS = 30000;

    enum class Answer { RECOVER, DISCARD, LATER };
    // What becomes of unsaved changes when another document replaces them.
    enum class Unsaved {
        DISCARD,   // the user chose not to save them
        SET_ASIDE  // nobody asked: their copy is kept for the next start
    };

    explicit DocumentFile(std::shared_ptr<Model::Workspace> ws);
    ~DocumentFile();
    DocumentFile(const DocumentFile&) = delete;
    DocumentFile& operator=(const DocumentFile&) = delete;

    // ---- loading and saving --------------------------------------------
    // Loads path, then offers a recovery copy of it newer than the file. On
    // failure the document stays and problem says why, for the user.
    [[nodiscard]] bool load(const std::string& path, std::string& problem,
                            Unsaved unsaved = Unsaved::DISCARD);
    // Saves to path, or to the document's own file when path is empty.
    // Saving over the own file after another program changed it asks
    // confirm_overwrite first; a file deleted meanwhile is simply written.
    [[nodiscard]] bool save(const std::string& path, std::string& problem);
    // An empty document in place of the current one.
    void new_document();
    // Asked before a save overwrites another program's change: true to
    // overwrite. Unset, the save goes ahead.
    std::function<bool(const std::string& path)> confirm_overwrite;

    // ---- the file changed elsewhere ------------------------------------
    // True from noticing another program's change to the own file until it
    // is reloaded, kept, saved over or the document is replaced.
    bool get_is_changed_on_disk() const { return m_changed_on_disk; }
    sigc::signal<void()>& signal_changed_on_disk_changed() { return m_signal_changed_on_disk; }
    // Loads the file again; unsaved changes go.
    [[nodiscard]] bool reload(std::string& problem);
    // Keeps the document as it is; the next save overwrites the file
    // without asking again about this change.
    void keep_mine();
    // Looks at the file now instead of waiting for the monitor.
    void check_disk();

    // ---- recovery --------------------------------------------------------
    // From now on unsaved changes are copied into store; copies that
    // crashed editors left are offered through ask_recover.
    void start_recovery(std::unique_ptr<Model::RecoveryStore> store);
    const Model::RecoveryStore* get_recovery_store() const { return m_store.get(); }
    std::function<Answer(const Model::RecoveryCopy&)> ask_recover;
    // Offers, newest first, the copies of path newer than its file, or at
    // start (no path) every copy left behind, until one is recovered.
    void offer_recovery(const std::optional<std::string>& path = std::nullopt);
    // The user closes the document without keeping its changes.
    void forget_changes();
    // Writes the copy of unsaved changes now and waits for it.
    void write_copy_now();

    // ---- for tests only ----------------------------------------------------
    // Shorter delays, so that a test need not wait seconds.
    void set_copy_delays(int delay_ms, int max_delay_ms) {
        m_delay_ms = delay_ms;
        m_max_delay_ms = max_delay_ms;
    }

  private:
    void on_path_changed();
    void on_update();
    void watch(const std::string& path);
    void set_changed_on_disk(bool value);
    // Whether the own file on disk is another version than the one this
    // document last read or wrote.
    bool is_changed_since_known(const std::string& path) const;

    void schedule_copy();
    void stop_copy_timers();
    void write_copy();
    void on_copy_written();
    void join_writer();
    void remove_copy();
    bool recover(Model::RecoveryStore::Claim& claim);

    std::shared_ptr<Model::Workspace> m_ws;
    sigc::connection m_path_connection;
    sigc::connection m_update_connection;

    // ---- watching
    Glib::RefPtr<Gio::FileMonitor> m_monitor;
    sigc::connection m_monitor_connection;
    sigc::connection m_check_connection;
    DiskStamp m_known;
    DiskStamp m_reported;
    bool m_changed_on_disk = false;
    sigc::signal<void()> m_signal_changed_on_disk;

    // ---- recovery
    std::unique_ptr<Model::RecoveryStore> m_store;
    int m_delay_ms = COPY_DELAY_MS;
    int m_max_delay_ms = COPY_MAX_DELAY_MS;
    sigc::connection m_delay_connection;
    sigc::connection m_max_delay_connection;
    // One copy is written at a time, on its own thread.
    std::thread m_writer;
    bool m_writing = false;
    bool m_write_again = false;
    bool m_remove_after_write = false;
    bool m_forgotten = false;
    std::unique_ptr<Glib::Dispatcher> m_written;
};

}  // namespace Ctrl
