#include "platform/xdg/Launcher.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <thread>

#include "platform/foundation/BoundedFile.h"
#include "platform/foundation/FileManager.h"
#include "platform/xdg/GioFiles.h"

namespace platform::xdg {
namespace {

constexpr GSpawnFlags spawnFlags = GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD);

std::string describe(const std::vector<std::string>& arguments) {
    std::string text;
    for (const auto& argument : arguments) text += (text.empty() ? "" : " ") + argument;
    return text;
}

// Each started process is waited for on a thread of its own, so none is left a zombie.
void reap(int pid, std::string command) {
    std::thread([pid, command = std::move(command)] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        if (!command.empty() && WIFEXITED(status) && WEXITSTATUS(status) != 0) {
            std::printf("%s: exited with status %d\n", command.c_str(), WEXITSTATUS(status));
            std::fflush(stdout);
        }
    }).detach();
}

LaunchOutcome failure(GError* error, const std::string& fallback) {
    LaunchOutcome outcome{.error = error ? error->message : fallback};
    if (error) g_error_free(error);
    return outcome;
}

LaunchOutcome launch(GAppInfo* app, const std::vector<std::string>& uris) {
    GList* list = nullptr;
    for (auto it = uris.rbegin(); it != uris.rend(); ++it) list = g_list_prepend(list, g_strdup(it->c_str()));
    GAppLaunchContext* context = g_app_launch_context_new();
    LaunchOutcome outcome;
    GError* error = nullptr;
    bool launched = false;
    if (G_IS_DESKTOP_APP_INFO(app)) {
        auto collect = [](GDesktopAppInfo*, GPid pid, gpointer data) {
            static_cast<LaunchOutcome*>(data)->pids.push_back(pid);
        };
        launched = g_desktop_app_info_launch_uris_as_manager(
            G_DESKTOP_APP_INFO(app), list, context, spawnFlags, nullptr, nullptr, collect, &outcome, &error);
        for (int pid : outcome.pids) reap(pid, "");
    } else {
        launched = g_app_info_launch_uris(app, list, context, &error);
    }
    g_object_unref(context);
    g_list_free_full(list, g_free);
    if (!launched) return failure(error, "The application could not be started.");
    return outcome;
}

}  // namespace

LaunchOutcome launchEntry(const DesktopEntry& entry, const std::vector<std::string>& uris) {
    // GLib reads the entry again, whole and with a blocking open: it gets only a file that the
    // bounded reader takes now.
    if (auto checked = readBoundedFile(entry.path, FileLimits::keyFile); !checked)
        return {.error =
                    "The application " + entry.id + " cannot be started: " + checked.error().description};
    if (auto file = gioBlockingFile())
        return {.error =
                    "The application " + entry.id + " cannot be started: " + *file + " is no regular file."};
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(entry.path.c_str());
    if (!info) return {.error = "The application " + entry.id + " is no longer installed."};
    auto outcome = launch(G_APP_INFO(info), uris);
    g_object_unref(info);
    return outcome;
}

LaunchOutcome openURI(const std::string& uri) {
    if (auto file = gioBlockingFile(true))
        return {.error = "No application opens " + uri + ": " + *file + " is no regular file."};
    GFile* file = g_file_new_for_uri(uri.c_str());
    GError* error = nullptr;
    GAppInfo* app = g_file_query_default_handler(file, nullptr, &error);
    g_object_unref(file);
    if (!app) return failure(error, "No application opens " + uri + ".");
    auto outcome = launch(app, {uri});
    g_object_unref(app);
    return outcome;
}

std::string folderURI(const std::string& path) {
    auto trimmed = path;
    while (trimmed.size() > 1 && trimmed.ends_with('/')) trimmed.pop_back();
    if (trimmed == FileManager::homePath() + "/.Trash") return "trash:///";
    gchar* uri = g_filename_to_uri(trimmed.c_str(), nullptr, nullptr);
    std::string result = uri ? uri : "file://" + trimmed;
    g_free(uri);
    return result;
}

LaunchOutcome runCommand(const std::vector<std::string>& arguments, const std::string& workingDirectory) {
    std::vector<gchar*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<gchar*>(argument.c_str()));
    argv.push_back(nullptr);
    GPid pid = 0;
    GError* error = nullptr;
    if (arguments.empty() || !g_spawn_async(workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                                            argv.data(), nullptr, spawnFlags, nullptr, nullptr, &pid, &error))
        return failure(error, "Nothing to run.");
    reap(pid, describe(arguments));
    return {.pids = {pid}};
}

bool isOnPath(const std::string& program) {
    gchar* found = g_find_program_in_path(program.c_str());
    g_free(found);
    return found != nullptr;
}

}  // namespace platform::xdg
