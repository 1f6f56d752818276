// The children of one tree row, kept in the order of their sort keys. Stored in blocks so that
// inserting into or removing from a parent of 100 000 children stays cheap, and the row of a
// child is found by its key.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantor::directory {

struct SortKey {
    int band = 0;      // the state index when the tree is sorted; else users 0, departments 1
    int64_t order = 0; // unique within the parent
    friend bool operator<(const SortKey& a, const SortKey& b) {
        return a.band != b.band ? a.band < b.band : a.order < b.order;
    }
    friend bool operator==(const SortKey&, const SortKey&) = default;
};

template <class Node>
class ChildList {
  public:
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    Node* at(size_t row) const {
        const size_t b = blockOfRow(row);
        return blocks_[b][row - start(b)].node;
    }

    // The row a node with this key has, or would get if inserted.
    size_t lowerBound(const SortKey& key) const {
        const size_t b = blockOfKey(key);
        if (b == blocks_.size()) return size_;
        const auto& blk = blocks_[b];
        size_t lo = 0, hi = blk.size();
        while (lo < hi) {
            const size_t mid = (lo + hi) / 2;
            if (blk[mid].key < key)
                lo = mid + 1;
            else
                hi = mid;
        }
        return start(b) + lo;
    }

    // The row of a node that is in the list (by its current key).
    size_t rowOf(const Node* node) const { return lowerBound(node->key); }

    size_t insert(Node* node) {
        const size_t row = lowerBound(node->key);
        if (blocks_.empty()) blocks_.emplace_back();
        size_t b = row == size_ ? blocks_.size() - 1 : blockOfRow(row);
        auto& blk = blocks_[b];
        blk.insert(blk.begin() + std::ptrdiff_t(row - start(b)), Entry{node->key, node});
        ++size_;
        if (blk.size() > kBlock) split(b);
        stale(b + 1);
        return row;
    }

    size_t erase(const Node* node) {
        const size_t row = rowOf(node);
        const size_t b = blockOfRow(row);
        auto& blk = blocks_[b];
        blk.erase(blk.begin() + std::ptrdiff_t(row - start(b)));
        --size_;
        if (blk.empty()) blocks_.erase(blocks_.begin() + std::ptrdiff_t(b));
        stale(b);
        return row;
    }

    void clear() {
        blocks_.clear();
        size_ = 0;
        stale(0);
    }

    template <class F>
    void forEach(F&& f) const {
        for (const auto& blk : blocks_)
            for (const Entry& e : blk)
                f(e.node);
    }

  private:
    static constexpr size_t kBlock = 256;

    // The key is kept beside the pointer so that a search reads one block, not every node.
    struct Entry {
        SortKey key;
        Node* node;
    };

    void split(size_t b) {
        auto& blk = blocks_[b];
        std::vector<Entry> tail(blk.begin() + std::ptrdiff_t(blk.size() / 2), blk.end());
        blk.resize(blk.size() / 2);
        blocks_.insert(blocks_.begin() + std::ptrdiff_t(b + 1), std::move(tail));
    }
    // The block starts from block `b` on need recomputing.
    void stale(size_t b) { staleFrom_ = std::min(staleFrom_, b); }
    void refresh() const {
        if (staleFrom_ >= blocks_.size() && starts_.size() == blocks_.size()) return;
        starts_.resize(blocks_.size());
        size_t i = std::min(staleFrom_, blocks_.size());
        size_t s = i == 0 ? 0 : starts_[i - 1] + blocks_[i - 1].size();
        for (; i < blocks_.size(); ++i) {
            starts_[i] = s;
            s += blocks_[i].size();
        }
        staleFrom_ = SIZE_MAX;
    }
    size_t start(size_t b) const {
        refresh();
        return starts_[b];
    }
    size_t blockOfRow(size_t row) const {
        refresh();
        size_t lo = 0, hi = starts_.size();
        while (hi - lo > 1) {
            const size_t mid = (lo + hi) / 2;
            if (starts_[mid] <= row)
                lo = mid;
            else
                hi = mid;
        }
        return lo;
    }
    // The first block whose last key is not below `key`; blocks_.size() when there is none.
    size_t blockOfKey(const SortKey& key) const {
        size_t lo = 0, hi = blocks_.size();
        while (lo < hi) {
            const size_t mid = (lo + hi) / 2;
            if (blocks_[mid].back().key < key)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    std::vector<std::vector<Entry>> blocks_;
    size_t size_ = 0;
    mutable std::vector<size_t> starts_;
    mutable size_t staleFrom_ = 0;
};

} // namespace vantor::directory
