#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

struct Notification {
    std::string name;
    std::map<std::string, std::string> userInfo;
};

// Named notifications delivered synchronously, on the posting thread, to a snapshot of the
// observers in the order they were added. An observer stays until it is removed.
class NotificationCenter {
public:
    class Token {
    public:
        virtual ~Token() = default;
    };
    using Handler = std::function<void(const Notification&)>;

    // The process's centres: the default one, the workspace's and the distributed one.
    static std::shared_ptr<NotificationCenter> defaultCenter();
    static std::shared_ptr<NotificationCenter> workspaceCenter();
    static std::shared_ptr<NotificationCenter> distributedCenter();

    std::shared_ptr<Token> addObserver(const std::string& name, Handler handler);
    void removeObserver(const std::shared_ptr<Token>& token);
    void post(const Notification& notification);
    void post(const std::string& name) { post(Notification{name, {}}); }
    std::size_t observerCount(const std::string& name) const;

private:
    struct Entry;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace platform
