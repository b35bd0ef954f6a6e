#include "model/recovery_store.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <glib.h>
#include <glib/gstdio.h>

#include "common/log.hpp"
#include "common/serializing.hpp"
#include "model/workspace.hpp"

namespace Model {

namespace {

constexpr const char* COPY_SUFFIX = ".xml";
constexpr const char* LOCK_SUFFIX = ".lock";

// Opens (creating) and locks a lock file without waiting; -1 when another
// process holds it or it cannot be opened.
int lock_file(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Whether a running editor holds the lock, looked at without creating it.
bool is_held(const std::string& lock_path) {
    int fd = ::open(lock_path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

bool write_all(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string strip_suffix(const std::string& name, const std::string& suffix) {
    return name.substr(0, name.size() - suffix.size());
}

bool ends_with(const std::string& s, const std::string& suffix) {
    return s.size() > suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

RecoveryStore::RecoveryStore(std::string dir) : m_dir(std::move(dir)) {
    if (g_mkdir_with_parents(m_dir.c_str(), 0700) != 0) {
        LX_DEBUG("recovery: cannot make %s: %s", m_dir.c_str(), g_strerror(errno));
        return;
    }
    // The process id tells the files apart for a person looking at them;
    // the random part keeps a reused process id from meeting old files.
    const std::string name = std::to_string(getpid()) + "-" + std::to_string(g_random_int());
    m_own_file = m_dir + "/" + name + COPY_SUFFIX;
    m_own_lock = m_dir + "/" + name + LOCK_SUFFIX;
    m_lock_fd = lock_file(m_own_lock);
    if (m_lock_fd < 0) {
        LX_DEBUG("recovery: cannot lock %s", m_own_lock.c_str());
    }
}

RecoveryStore::~RecoveryStore() {
    if (m_lock_fd >= 0) {
        // Unlinked while still held, so nobody takes it for a live one.
        std::remove(m_own_lock.c_str());
        close(m_lock_fd);
    }
}

std::string RecoveryStore::default_dir() {
    return std::string(g_get_user_state_dir()) + "/lattrix";
}

std::string RecoveryStore::encode(Workspace& ws, const std::string& document_path,
                                  int64_t saved_at) {
    auto writer = SerializingWriter::to_memory();
    bool failed = writer->start_element("recovery");
    failed |= writer->write_attribute("path", document_path);
    failed |= writer->write_attribute("saved", std::to_string(saved_at));
    failed |= !ws.write(*writer);
    failed |= writer->end_element();
    writer->finish();
    if (failed || writer->has_failed()) {
        return {};
    }
    return writer->get_contents();
}

bool RecoveryStore::write_own(const std::string& contents) const {
    if (!is_usable() || contents.empty()) {
        return false;
    }
    const std::string temp = m_own_file + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    // On disk before the rename: a copy must survive the machine going
    // down too, not only the program.
    bool ok = write_all(fd, contents) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), m_own_file.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

void RecoveryStore::remove_own() const {
    if (!m_own_file.empty()) {
        std::remove(m_own_file.c_str());
    }
}

void RecoveryStore::set_aside_own() const {
    if (m_own_file.empty() || !g_file_test(m_own_file.c_str(), G_FILE_TEST_IS_REGULAR)) {
        return;
    }
    // No lock file goes with the new name, so any editor may offer it.
    const std::string aside =
        strip_suffix(m_own_file, COPY_SUFFIX) + "-" + std::to_string(g_random_int()) + COPY_SUFFIX;
    if (std::rename(m_own_file.c_str(), aside.c_str()) != 0) {
        LX_DEBUG("recovery: cannot set %s aside", m_own_file.c_str());
    }
}

std::optional<RecoveryCopy> RecoveryStore::describe(const std::string& file) {
    SerializingReader reader(file);
    if (!reader.next() || !reader.is_start_element() || reader.get_name() != "recovery") {
        return std::nullopt;
    }
    RecoveryCopy copy;
    copy.file = file;
    copy.document_path = reader.get_attribute("path").value_or("");
    const std::string saved = reader.get_attribute("saved").value_or("0");
    copy.saved_at = g_ascii_strtoll(saved.c_str(), nullptr, 10);
    return copy;
}

std::vector<RecoveryCopy> RecoveryStore::find_orphans() const {
    std::vector<RecoveryCopy> found;
    if (!is_usable()) {
        return found;
    }
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir, ec)) {
        const std::string file = entry.path().string();
        if (file == m_own_file || !ends_with(file, COPY_SUFFIX) || !entry.is_regular_file(ec)) {
            continue;
        }
        if (is_held(strip_suffix(file, COPY_SUFFIX) + LOCK_SUFFIX)) {
            continue;
        }
        if (auto copy = describe(file)) {
            found.push_back(*copy);
        } else {
            LX_DEBUG("recovery: %s holds no readable copy", file.c_str());
        }
    }
    std::sort(found.begin(), found.end(),
              [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.saved_at > b.saved_at; });
    return found;
}

std::optional<RecoveryStore::Claim> RecoveryStore::claim(const RecoveryCopy& copy) const {
    const std::string lock = strip_suffix(copy.file, COPY_SUFFIX) + LOCK_SUFFIX;
    int fd = lock_file(lock);
    if (fd < 0) {
        return std::nullopt;
    }
    // Another editor may have taken it and finished with it meanwhile.
    if (!g_file_test(copy.file.c_str(), G_FILE_TEST_IS_REGULAR)) {
        std::remove(lock.c_str());
        close(fd);
        return std::nullopt;
    }
    return Claim(copy, lock, fd);
}

RecoveryStore::Claim::Claim(RecoveryCopy copy, std::string lock_file, int fd)
    : m_copy(std::move(copy)), m_lock_file(std::move(lock_file)), m_fd(fd) {}

RecoveryStore::Claim::Claim(Claim&& other) noexcept
    : m_copy(std::move(other.m_copy)),
      m_lock_file(std::move(other.m_lock_file)),
      m_fd(std::exchange(other.m_fd, -1)) {}

RecoveryStore::Claim::~Claim() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

void RecoveryStore::Claim::remove() {
    if (m_fd < 0) {
        return;
    }
    std::remove(m_copy.file.c_str());
    std::remove(m_lock_file.c_str());
    close(m_fd);
    m_fd = -1;
}

}  // namespace Model
