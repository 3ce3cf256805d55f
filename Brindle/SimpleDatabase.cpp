#include "Brindle/SimpleDatabase.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "Brindle/FatalError.h"
#include "platform/base/Clock.h"
#include "platform/foundation/FileManager.h"

namespace Brindle {
namespace {

std::string timestamp() {
    auto seconds = static_cast<time_t>(std::floor(platform::Clock::wallSeconds()));
    tm parts{};
    ::gmtime_r(&seconds, &parts);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y%m%d-%H%M%S", &parts);
    return text.data();
}

}  // namespace

platform::URL SimpleDatabaseFile::fileURL(const std::string& name, SimpleDatabaseType type) {
    auto files = platform::FileManager::shared();
    auto directory = type == SimpleDatabaseType::cache ? platform::SearchPathDirectory::cachesDirectory
                                                       : platform::SearchPathDirectory::documentDirectory;
    auto folders = files->urls(directory, platform::SearchPathDomain::user);
    if (folders.empty()) fatalError("The user's documents and caches folders have no address");
    const auto folder = folders.front().path() + "/simpleDatabase/";
    if (!files->fileExists(folder)) (void)files->createDirectory(folder, true);
    return platform::URL::fileURL(folder + name + "." + ".json", false);
}

SimpleDatabaseFile::ReadOutcome SimpleDatabaseFile::read(
    const std::string& path, const std::function<bool(const std::string&)>& decodes) {
    auto files = platform::FileManager::shared();
    if (!files->fileExists(path)) return ReadOutcome::missing;
    auto text = files->readFile(path);
    if (text && decodes(*text)) return ReadOutcome::read;

    // Keep what could not be read for whoever wants to look at it; the database starts empty.
    auto aside = path + ".corrupt-" + timestamp();
    auto moved = files->moveItem(path, aside);
    for (int attempt = 2; !moved && moved.error().code == EEXIST && attempt < 100; ++attempt) {
        moved = files->moveItem(path, aside + "-" + std::to_string(attempt));
        if (moved) aside += "-" + std::to_string(attempt);
    }
    if (!moved) {
        std::fprintf(stderr,
                     "SimpleDatabase: %s cannot be read or moved aside (%s); changes will not be saved\n",
                     path.c_str(), moved.error().description.c_str());
        return ReadOutcome::cannotSetAside;
    }
    std::fprintf(stderr, "SimpleDatabase: %s cannot be read; moved it to %s and started empty\n",
                 path.c_str(), aside.c_str());
    return ReadOutcome::setAside;
}

void SimpleDatabaseFile::write(const std::string& path, const std::string& text) {
    auto written = platform::FileManager::shared()->writeAtomically(path, text);
    if (!written) reportUnsaved(path, written.error().description);
}

void SimpleDatabaseFile::reportUnsaved(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "SimpleDatabase: %s not saved: %s\n", path.c_str(), reason.c_str());
}

}  // namespace Brindle
