#include "platform/netdrive/netdrive_gvfs.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/netdrive/drive_table.h"
#include "platform/netdrive/remote_name.h"

namespace netdrive {
namespace {

// Small owners for GLib references.
template <class T>
struct GUnref {
    void operator()(T* p) const { g_object_unref(p); }
};
template <class T>
using GPtr = std::unique_ptr<T, GUnref<T>>;

struct GErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GCharFree {
    void operator()(char* s) const { g_free(s); }
};
using CharPtr = std::unique_ptr<char, GCharFree>;

// What one asynchronous call reports back. Kept on the heap: when the system does not answer
// even after cancellation, the record is abandoned rather than freed under a late callback.
struct Pending {
    bool finished = false;
    GAsyncResult* result = nullptr;  // owned reference once finished
    // Credentials for the mount's password question.
    std::string user, domain, password;
    int asks = 0;
    bool credentialsRefused = false;

    ~Pending()
    {
        if (result != nullptr) g_object_unref(result);
    }
};

void OnFinished(GObject*, GAsyncResult* result, gpointer data)
{
    auto* pending = static_cast<Pending*>(data);
    pending->result = static_cast<GAsyncResult*>(g_object_ref(result));
    pending->finished = true;
}

gboolean OnTimer(gpointer flag)
{
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
}

// Runs `context` until the call finishes or `timeoutMs` passes; a call still running then is
// cancelled and given a short grace to report. False when it never reported.
bool WaitFor(GMainContext* context, Pending& pending, GCancellable* cancel, int timeoutMs)
{
    auto runUntil = [&](unsigned ms) {
        bool expired = false;
        GSource* timer = g_timeout_source_new(ms);
        g_source_set_callback(timer, OnTimer, &expired, nullptr);
        g_source_attach(timer, context);
        while (!pending.finished && !expired) g_main_context_iteration(context, TRUE);
        g_source_destroy(timer);
        g_source_unref(timer);
    };
    runUntil(static_cast<unsigned>(timeoutMs));
    if (pending.finished) return true;
    g_cancellable_cancel(cancel);
    runUntil(2000);
    return pending.finished;
}

// Our own main context for the duration of one call: GIO delivers the call's callbacks there,
// so waiting never runs the application's other event sources (the dialog stays blocked, as
// a synchronous system call would keep it) and the backend works without any event loop.
class PrivateContext {
public:
    PrivateContext() : m_context(g_main_context_new())
    {
        g_main_context_push_thread_default(m_context);
    }
    ~PrivateContext()
    {
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }
    PrivateContext(const PrivateContext&) = delete;
    PrivateContext& operator=(const PrivateContext&) = delete;
    GMainContext* get() const { return m_context; }

private:
    GMainContext* m_context;
};

void OnAskPassword(GMountOperation* op, gchar* /*message*/, gchar* /*defaultUser*/,
                   gchar* /*defaultDomain*/, GAskPasswordFlags flags, gpointer data)
{
    auto* pending = static_cast<Pending*>(data);
    // A second question means the first answer was refused; asking again would loop.
    if (++pending->asks > 1) {
        pending->credentialsRefused = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    if (pending->user.empty() && (flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED) != 0) {
        g_mount_operation_set_anonymous(op, TRUE);
    } else {
        g_mount_operation_set_anonymous(op, FALSE);
        g_mount_operation_set_username(op, pending->user.c_str());
        if (!pending->domain.empty()) g_mount_operation_set_domain(op, pending->domain.c_str());
        g_mount_operation_set_password(op, pending->password.c_str());
    }
    // The connection holds for this logon only: never into a keyring.
    g_mount_operation_set_password_save(op, G_PASSWORD_SAVE_NEVER);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

bool SmbAvailable()
{
    GVfs* vfs = g_vfs_get_default();
    if (vfs == nullptr || !g_vfs_is_active(vfs)) return false;
    const gchar* const* schemes = g_vfs_get_supported_uri_schemes(vfs);
    for (; schemes != nullptr && *schemes != nullptr; ++schemes) {
        if (std::strcmp(*schemes, "smb") == 0) return true;
    }
    return false;
}

bool IsIoError(const GError* error, GIOErrorEnum code)
{
    return error != nullptr && g_error_matches(error, G_IO_ERROR, code);
}

int MountErrorCode(const GError* error, const Pending& pending)
{
    if (pending.credentialsRefused) return kErrInvalidPassword;
    if (error == nullptr) return kErrExtendedError;
    if (error->domain == G_DBUS_ERROR) return kErrNoNetwork;
    if (error->domain != G_IO_ERROR) return kErrExtendedError;
    switch (error->code) {
        case G_IO_ERROR_CANCELLED:
        case G_IO_ERROR_TIMED_OUT:
            return kErrTimeout;
        case G_IO_ERROR_PERMISSION_DENIED:
        case G_IO_ERROR_FAILED_HANDLED:
            return kErrInvalidPassword;
        case G_IO_ERROR_NOT_SUPPORTED:
        case G_IO_ERROR_DBUS_ERROR:
            return kErrNoNetwork;
        case G_IO_ERROR_INVALID_FILENAME:
        case G_IO_ERROR_INVALID_ARGUMENT:
        case G_IO_ERROR_FILENAME_TOO_LONG:
            return kErrBadNetName;
        default:
            // Missing shares and unreachable hosts come as G_IO_ERROR_FAILED with only a
            // translated text, so they cannot be told apart here.
            return kErrBadNetPath;
    }
}

class GvfsNetDrive final : public NetDrive {
public:
    explicit GvfsNetDrive(GvfsOptions options) : m_options(std::move(options)) {}

    std::uint32_t DrivesInUse() override
    {
        auto table = Table();
        return table ? table->Letters() : 0;
    }

    bool IsRemote(const std::string& root) override { return Entry(root).has_value(); }

    std::optional<std::string> RemoteName(const std::string& root) override
    {
        auto entry = Entry(root);
        if (!entry) return std::nullopt;
        return entry->remote;
    }

    int Connect(const std::string& localName, const std::string& remoteName,
                const std::string& user, const std::string& password) override
    {
        const auto letter = ParseLocalName(localName);
        if (!letter) return kErrBadDevice;
        auto table = Table();
        if (!table) return kErrNoSessionDir;
        if (table->Has(*letter)) return kErrAlreadyAssigned;
        const auto unc = ParseRemoteName(remoteName);
        if (!unc) return kErrBadNetName;
        // Before our private context exists: the first use of GVfs sets up its bus
        // connection for the whole process.
        if (!SmbAvailable()) return kErrNoNetwork;

        DriveEntry entry;
        entry.remote = remoteName;
        entry.uri = FullUri(*unc);
        entry.shareUri = ShareUri(*unc);

        const int mounted = Mount(entry.shareUri, user, password, entry.owned);
        if (mounted != kOk) return mounted;

        if (!unc->path.empty()) {
            const int found = CheckFolder(entry.uri);
            if (found != kOk) {
                if (entry.owned) Unmount(entry.shareUri);
                return found;
            }
        }
        {
            GPtr<GFile> file(g_file_new_for_uri(entry.uri.c_str()));
            CharPtr path(g_file_get_path(file.get()));
            if (path) entry.mountPath = path.get();
        }
        const int created = table->Create(*letter, entry);
        if (created != kOk && entry.owned) Unmount(entry.shareUri);
        return created;
    }

    int Disconnect(const std::string& localName) override
    {
        const auto letter = ParseLocalName(localName);
        if (!letter) return kErrBadDevice;
        auto table = Table();
        if (!table) return kErrNotConnected;
        const auto entry = table->Read(*letter);
        if (!entry) return table->Has(*letter) ? table->Remove(*letter) : kErrNotConnected;

        if (entry->owned) {
            std::vector<char> others = table->LettersOnShare(entry->shareUri);
            std::erase(others, *letter);
            if (others.empty()) {
                if (!SmbAvailable()) return kErrNoNetwork;
                const int unmounted = Unmount(entry->shareUri);
                if (unmounted != kOk) return unmounted;
            } else if (!table->SetOwned(others.front(), true)) {
                return kErrNoSessionDir;
            }
        }
        return table->Remove(*letter);
    }

private:
    std::optional<DriveTable> Table() const
    {
        auto dir = m_options.tableDir ? m_options.tableDir : DriveTable::SessionDir();
        if (!dir) return std::nullopt;
        return DriveTable(*dir);
    }

    std::optional<DriveEntry> Entry(const std::string& root) const
    {
        const auto letter = ParseLocalName(root);
        auto table = Table();
        if (!letter || !table) return std::nullopt;
        return table->Read(*letter);
    }

    int Mount(const std::string& uri, const std::string& user, const std::string& password,
              bool& owned)
    {
        PrivateContext context;
        auto* pending = new Pending;
        // DOMAIN\user names the domain as the system's own logon dialogs accept it.
        const auto slash = user.find('\\');
        if (slash != std::string::npos) {
            pending->domain = user.substr(0, slash);
            pending->user = user.substr(slash + 1);
        } else {
            pending->user = user;
        }
        pending->password = password;

        GPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
        GPtr<GMountOperation> op(g_mount_operation_new());
        GPtr<GCancellable> cancel(g_cancellable_new());
        g_signal_connect_data(op.get(), "ask-password", reinterpret_cast<GCallback>(OnAskPassword),
                              pending, nullptr, GConnectFlags{});
        g_file_mount_enclosing_volume(file.get(), G_MOUNT_MOUNT_NONE, op.get(), cancel.get(),
                                      OnFinished, pending);
        const bool reported =
            WaitFor(context.get(), *pending, cancel.get(), m_options.mountTimeoutMs);
        g_signal_handlers_disconnect_matched(op.get(), G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                             pending);
        if (!reported) return kErrTimeout;  // `pending` is abandoned on purpose

        GError* raw = nullptr;
        const bool ok = g_file_mount_enclosing_volume_finish(file.get(), pending->result, &raw);
        ErrorPtr error(raw);
        int code = kOk;
        if (ok) {
            owned = true;
        } else if (IsIoError(error.get(), G_IO_ERROR_ALREADY_MOUNTED)) {
            // Someone (the user's file manager, another of our letters) mounted it: use it,
            // but it is not ours to unmount.
            owned = false;
        } else {
            code = MountErrorCode(error.get(), *pending);
        }
        // Do not keep the password around longer than the call.
        std::fill(pending->password.begin(), pending->password.end(), '\0');
        delete pending;
        return code;
    }

    int CheckFolder(const std::string& uri)
    {
        PrivateContext context;
        auto* pending = new Pending;
        GPtr<GFile> file(g_file_new_for_uri(uri.c_str()));
        GPtr<GCancellable> cancel(g_cancellable_new());
        g_file_query_info_async(file.get(), G_FILE_ATTRIBUTE_STANDARD_TYPE, G_FILE_QUERY_INFO_NONE,
                                G_PRIORITY_DEFAULT, cancel.get(), OnFinished, pending);
        if (!WaitFor(context.get(), *pending, cancel.get(), m_options.queryTimeoutMs)) {
            return kErrTimeout;
        }
        GError* raw = nullptr;
        GPtr<GFileInfo> info(g_file_query_info_finish(file.get(), pending->result, &raw));
        ErrorPtr error(raw);
        delete pending;
        if (!info)
            return IsIoError(error.get(), G_IO_ERROR_CANCELLED) ? kErrTimeout : kErrBadNetPath;
        return g_file_info_get_file_type(info.get()) == G_FILE_TYPE_DIRECTORY ? kOk
                                                                              : kErrBadNetPath;
    }

    int Unmount(const std::string& shareUri)
    {
        PrivateContext context;
        GPtr<GFile> file(g_file_new_for_uri(shareUri.c_str()));
        GPtr<GCancellable> cancel(g_cancellable_new());

        // The asynchronous form runs this in a worker thread that waits on the process's
        // default main context, which nobody runs while we wait: use the synchronous form. It
        // is a D-Bus call to the session's mount tracker, bounded by D-Bus's own time-out.
        GError* raw = nullptr;
        GPtr<GMount> mount(g_file_find_enclosing_mount(file.get(), cancel.get(), &raw));
        ErrorPtr error(raw);
        if (!mount) {
            // Already gone (unmounted elsewhere): nothing left to undo.
            if (IsIoError(error.get(), G_IO_ERROR_NOT_FOUND) ||
                IsIoError(error.get(), G_IO_ERROR_NOT_MOUNTED)) {
                return kOk;
            }
            return IsIoError(error.get(), G_IO_ERROR_CANCELLED) ? kErrTimeout : kErrExtendedError;
        }

        auto* unmounting = new Pending;
        // No mount operation: a busy mount then fails instead of asking anyone (not forced).
        g_mount_unmount_with_operation(mount.get(), G_MOUNT_UNMOUNT_NONE, nullptr, cancel.get(),
                                       OnFinished, unmounting);
        if (!WaitFor(context.get(), *unmounting, cancel.get(), m_options.unmountTimeoutMs)) {
            return kErrTimeout;
        }
        raw = nullptr;
        const bool ok =
            g_mount_unmount_with_operation_finish(mount.get(), unmounting->result, &raw);
        error.reset(raw);
        delete unmounting;
        if (ok || IsIoError(error.get(), G_IO_ERROR_NOT_MOUNTED)) return kOk;
        if (IsIoError(error.get(), G_IO_ERROR_BUSY)) return kErrOpenFiles;
        if (IsIoError(error.get(), G_IO_ERROR_CANCELLED)) return kErrTimeout;
        return kErrExtendedError;
    }

    GvfsOptions m_options;
};

}  // namespace

std::unique_ptr<NetDrive> CreateGvfsNetDrive(GvfsOptions options)
{
    return std::make_unique<GvfsNetDrive>(std::move(options));
}

std::unique_ptr<NetDrive> CreateSystemNetDrive()
{
    return CreateGvfsNetDrive();
}

}  // namespace netdrive
