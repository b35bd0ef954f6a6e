#include "ctrl/document_file.hpp"

#include <sys/stat.h>

#include <giomm/file.h>
#include <glibmm/main.h>

#include "common/file_kind.hpp"
#include "common/log.hpp"
#include "model/workspace.hpp"

namespace Ctrl {

namespace {

// The absolute form the workspace keeps its own path in.
std::string canonical_path(const std::string& path) {
    return path.empty() ? path : Gio::File::create_for_path(path)->get_path();
}

int64_t mtime_us(const std::string& path) {
    const DiskStamp stamp = DiskStamp::of(path);
    return stamp.exists ? stamp.mtime_ns / 1000 : 0;
}

}  // namespace

DiskStamp DiskStamp::of(const std::string& path) {
    DiskStamp stamp;
    struct stat st {};
    if (!path.empty() && ::stat(path.c_str(), &st) == 0) {
        stamp.exists = true;
        stamp.device = st.st_dev;
        stamp.inode = st.st_ino;
        stamp.size = st.st_size;
        stamp.mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    return stamp;
}

DocumentFile::DocumentFile(std::shared_ptr<Model::Workspace> ws) : m_ws(std::move(ws)) {
    if (!m_ws) {
        LX_CRITICAL("DocumentFile: assertion 'ws != NULL' failed");
        return;
    }
    m_path_connection = m_ws->signal_file_path_changed().connect(
        sigc::mem_fun(*this, &DocumentFile::on_path_changed));
    m_update_connection =
        m_ws->signal_update().connect(sigc::mem_fun(*this, &DocumentFile::on_update));
    on_path_changed();
}

DocumentFile::~DocumentFile() {
    m_path_connection.disconnect();
    m_update_connection.disconnect();
    m_monitor_connection.disconnect();
    m_check_connection.disconnect();
    if (m_monitor) {
        m_monitor->cancel();
    }
    stop_copy_timers();
    join_writer();
    if (!m_store) {
        return;
    }
    // Changes nobody chose to drop (":q", the end of the session) stay for
    // the next start; anything else leaves no copy behind.
    if (m_ws && m_ws->get_is_updated() && !m_forgotten) {
        m_store->write_own(
            Model::RecoveryStore::encode(*m_ws, m_ws->get_file_path(), g_get_real_time()));
    } else {
        m_store->remove_own();
    }
}

// ---- loading and saving -------------------------------------------------------

bool DocumentFile::load(const std::string& path, std::string& problem, Unsaved unsaved) {
    problem = special_file_problem(path);
    if (!problem.empty()) {
        return false;
    }
    const bool had_changes = m_store && m_ws->get_is_updated() && !m_forgotten;
    if (had_changes && unsaved == Unsaved::SET_ASIDE) {
        write_copy_now();
    }
    if (!m_ws->load(path)) {
        problem = "cannot read " + path;
        return false;
    }
    if (m_store) {
        join_writer();
        if (had_changes && unsaved == Unsaved::SET_ASIDE) {
            m_store->set_aside_own();
        }
        remove_copy();
    }
    offer_recovery(m_ws->get_file_path());
    return true;
}

bool DocumentFile::save(const std::string& path, std::string& problem) {
    const std::string target = path.empty() ? m_ws->get_file_path() : path;
    if (target.empty()) {
        problem = "the document has no file name yet";
        return false;
    }
    problem = special_file_problem(target);
    if (!problem.empty()) {
        return false;
    }
    if (canonical_path(target) == m_ws->get_file_path() && is_changed_since_known(target) &&
        confirm_overwrite && !confirm_overwrite(target)) {
        problem = target + " changed on disk; not written";
        return false;
    }
    if (!m_ws->save(target)) {
        problem = "cannot write " + target;
        return false;
    }
    remove_copy();
    return true;
}

void DocumentFile::new_document() {
    m_ws->init();
    remove_copy();
}

// ---- the file changed elsewhere ----------------------------------------------

void DocumentFile::on_path_changed() {
    const std::string& path = m_ws->get_file_path();
    // Whatever the document holds now came from this version of the file,
    // or went into it.
    m_known = DiskStamp::of(path);
    m_reported = DiskStamp();
    set_changed_on_disk(false);
    watch(path);
}

void DocumentFile::watch(const std::string& path) {
    m_monitor_connection.disconnect();
    if (m_monitor) {
        m_monitor->cancel();
        m_monitor.reset();
    }
    if (path.empty()) {
        return;
    }
    try {
        m_monitor = Gio::File::create_for_path(path)->monitor_file();
    } catch (const Glib::Error& e) {
        LX_DEBUG("cannot watch %s: %s", path.c_str(), e.what().c_str());
        return;
    }
    m_monitor_connection = m_monitor->signal_changed().connect(
        [this](const Glib::RefPtr<Gio::File>&, const Glib::RefPtr<Gio::File>&,
               Gio::FileMonitorEvent) {
            // A rewrite comes as several events; look once they settled.
            m_check_connection.disconnect();
            m_check_connection = Glib::signal_timeout().connect(
                [this] {
                    check_disk();
                    return false;
                },
                150);
        });
}

bool DocumentFile::is_changed_since_known(const std::string& path) const {
    const DiskStamp now = DiskStamp::of(path);
    return now.exists && !(now == m_known);
}

void DocumentFile::check_disk() {
    m_check_connection.disconnect();
    const std::string& path = m_ws->get_file_path();
    const DiskStamp now = DiskStamp::of(path);
    if (!now.exists) {
        // Nothing to reload; the next save writes it again.
        set_changed_on_disk(false);
        return;
    }
    if (now == m_known || now == m_reported) {
        return;
    }
    LX_DEBUG("%s changed on disk", path.c_str());
    m_reported = now;
    set_changed_on_disk(true);
}

void DocumentFile::set_changed_on_disk(bool value) {
    if (m_changed_on_disk != value) {
        m_changed_on_disk = value;
        m_signal_changed_on_disk.emit();
    }
}

bool DocumentFile::reload(std::string& problem) {
    const std::string path = m_ws->get_file_path();
    if (path.empty()) {
        problem = "the document has no file";
        return false;
    }
    return load(path, problem);
}

void DocumentFile::keep_mine() {
    m_known = DiskStamp::of(m_ws->get_file_path());
    set_changed_on_disk(false);
}

// ---- recovery ------------------------------------------------------------------

void DocumentFile::start_recovery(std::unique_ptr<Model::RecoveryStore> store) {
    join_writer();
    m_store = std::move(store);
    if (!m_written) {
        m_written = std::make_unique<Glib::Dispatcher>();
        m_written->connect(sigc::mem_fun(*this, &DocumentFile::on_copy_written));
    }
    if (m_store && m_ws->get_is_updated()) {
        schedule_copy();
    }
}

void DocumentFile::on_update() {
    if (m_store && m_ws->get_is_updated()) {
        m_forgotten = false;
        schedule_copy();
    }
}

void DocumentFile::schedule_copy() {
    // A pause in the changes writes the copy; a long run of changes does
    // not put it off for more than the longest delay.
    m_delay_connection.disconnect();
    m_delay_connection = Glib::signal_timeout().connect(
        [this] {
            write_copy();
            return false;
        },
        m_delay_ms);
    if (!m_max_delay_connection.connected()) {
        m_max_delay_connection = Glib::signal_timeout().connect(
            [this] {
                write_copy();
                return false;
            },
            m_max_delay_ms);
    }
}

void DocumentFile::stop_copy_timers() {
    m_delay_connection.disconnect();
    m_max_delay_connection.disconnect();
}

void DocumentFile::write_copy() {
    stop_copy_timers();
    if (!m_store || !m_store->is_usable()) {
        return;
    }
    if (!m_ws->get_is_updated()) {
        remove_copy();
        return;
    }
    if (m_writing) {
        m_write_again = true;
        return;
    }
    // Taken here, on the main thread, where the document lives; only the
    // file is written on the side.
    auto contents = std::make_shared<const std::string>(
        Model::RecoveryStore::encode(*m_ws, m_ws->get_file_path(), g_get_real_time()));
    m_writing = true;
    m_remove_after_write = false;
    const Model::RecoveryStore* store = m_store.get();
    Glib::Dispatcher* written = m_written.get();
    m_writer = std::thread([store, written, contents] {
        if (!store->write_own(*contents)) {
            LX_DEBUG("recovery: cannot write %s", store->get_own_file().c_str());
        }
        written->emit();
    });
}

void DocumentFile::on_copy_written() {
    if (!m_writing) {
        return;
    }
    join_writer();
    LX_DEBUG("recovery copy written: %s", m_store->get_own_file().c_str());
    if (m_remove_after_write) {
        m_remove_after_write = false;
        m_store->remove_own();
    } else if (m_write_again) {
        m_write_again = false;
        write_copy();
    }
}

void DocumentFile::join_writer() {
    if (m_writer.joinable()) {
        m_writer.join();
    }
    m_writing = false;
}

void DocumentFile::write_copy_now() {
    stop_copy_timers();
    join_writer();
    m_write_again = false;
    if (m_store && m_ws->get_is_updated()) {
        m_store->write_own(
            Model::RecoveryStore::encode(*m_ws, m_ws->get_file_path(), g_get_real_time()));
    }
}

void DocumentFile::remove_copy() {
    stop_copy_timers();
    m_write_again = false;
    if (!m_store) {
        return;
    }
    if (m_writing) {
        m_remove_after_write = true;
    } else {
        m_store->remove_own();
    }
}

void DocumentFile::forget_changes() {
    m_forgotten = true;
    remove_copy();
}

void DocumentFile::offer_recovery(const std::optional<std::string>& path) {
    if (!m_store || !ask_recover) {
        return;
    }
    for (const auto& copy : m_store->find_orphans()) {
        if (path && copy.document_path != *path) {
            continue;
        }
        // A copy older than its file was overtaken by a later save.
        if (!copy.document_path.empty() && copy.saved_at <= mtime_us(copy.document_path)) {
            continue;
        }
        auto claim = m_store->claim(copy);
        if (!claim) {
            continue;
        }
        switch (ask_recover(copy)) {
            case Answer::RECOVER:
                if (recover(*claim)) {
                    return;
                }
                break;
            case Answer::DISCARD:
                claim->remove();
                break;
            case Answer::LATER:
                break;
        }
    }
}

bool DocumentFile::recover(Model::RecoveryStore::Claim& claim) {
    const Model::RecoveryCopy& copy = claim.get_copy();
    if (!m_ws->load(copy.file)) {
        LX_DEBUG("recovery: %s does not read", copy.file.c_str());
        return false;
    }
    // The copy's document, bound to its own file, with its changes unsaved.
    m_ws->set_file_path(copy.document_path);
    m_ws->signal_update().emit();
    // Ours before theirs goes: at no moment is there no copy on disk.
    write_copy_now();
    claim.remove();
    LX_DEBUG("recovered %s", copy.file.c_str());
    return true;
}

}  // namespace Ctrl
