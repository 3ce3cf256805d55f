#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace rx::detail {

// A copy-on-write list of observers. Delivery reads the current snapshot without a lock: a reader
// registers in a counter, which keeps both the snapshot it read and the list's storage alive, so
// an observer may change the list, or even destroy its owner, during delivery. Replaced snapshots
// are freed once no reader is left.
template <class E>
class SnapshotList {
public:
    using Items = std::vector<std::shared_ptr<E>>;

private:
    // The owner counts as one high unit; readers count in the low bits.
    static constexpr std::uint64_t ownerUnit = std::uint64_t{1} << 32;
    static constexpr std::uint64_t readerMask = ownerUnit - 1;

    struct Block {
        std::atomic<std::uint64_t> refs{ownerUnit};
        std::atomic<const Items*> current{new Items()};
        std::atomic<bool> hasRetired{false};
        std::mutex retiredMutex;
        std::vector<const Items*> retired;

        ~Block() {
            delete current.load();
            for (const Items* items : retired) delete items;
        }

        // Frees the replaced snapshots when the only readers left are the caller's own.
        void reclaim(std::uint64_t ownReaders) {
            std::vector<const Items*> garbage;
            {
                std::lock_guard lock(retiredMutex);
                if ((refs.load() & readerMask) != ownReaders) return;
                garbage.swap(retired);
                hasRetired.store(false);
            }
            // Outside the lock: releasing observers runs arbitrary destructors.
            for (const Items* items : garbage) delete items;
        }

        void release(std::uint64_t amount) {
            if (refs.fetch_sub(amount) == amount) delete this;
        }
    };

public:
    class Reader {
    public:
        explicit Reader(Block* block) : block_(block) {
            block_->refs.fetch_add(1);
            items_ = block_->current.load();
        }
        Reader(Reader&& other) noexcept
            : block_(std::exchange(other.block_, nullptr)), items_(other.items_) {}
        Reader(const Reader&) = delete;
        Reader& operator=(const Reader&) = delete;
        Reader& operator=(Reader&&) = delete;
        ~Reader() {
            if (!block_) return;
            if (block_->hasRetired.load()) block_->reclaim(1);
            block_->release(1);
        }

        const Items& items() const { return *items_; }

    private:
        Block* block_;
        const Items* items_;
    };

    SnapshotList() : block_(new Block()) {}
    ~SnapshotList() { block_->release(ownerUnit); }
    SnapshotList(const SnapshotList&) = delete;
    SnapshotList& operator=(const SnapshotList&) = delete;

    // Lock-free; safe from any thread and from within delivery.
    Reader read() const { return Reader(block_); }

    // Writers are serialised by the owner's lock.
    const Items& current() const { return *block_->current.load(); }
    void replace(Items next) {
        const Items* old = block_->current.exchange(new Items(std::move(next)));
        {
            std::lock_guard lock(block_->retiredMutex);
            block_->retired.push_back(old);
            block_->hasRetired.store(true);
        }
        block_->reclaim(0);
    }

private:
    Block* block_;
};

}  // namespace rx::detail
