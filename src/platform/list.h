// Insertion-ordered lists of shared records.
//
// A walk over a list survives removal of the element it stands on (and of any
// other element) and sees elements added at the end while it runs, even after
// the element it stands on was the last and is gone; elements added at the
// front are not seen. A walk in progress ends when the list is cleared. A
// record removed from a list stays valid for as long as anything still holds it.
#pragma once

#include <concepts>
#include <memory>
#include <vector>

template <class T>
concept HasCompare = requires(const T& a, const T& b) {
  { a.Compare(b) } -> std::convertible_to<int>;
};

template <class T>
class List {
  struct Node {
    std::shared_ptr<T> value;
    std::shared_ptr<Node> next;
    Node* prev = nullptr;
    bool removed = false;
    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    // A long chain that only this node still holds (removed nodes kept by a
    // walk) is released one node at a time, not by recursion.
    ~Node() {
      std::shared_ptr<Node> n = std::move(next);
      while (n && n.use_count() == 1) {
        std::shared_ptr<Node> after = std::move(n->next);
        n = std::move(after);
      }
    }
  };

 public:
  class iterator {
   public:
    using value_type = std::shared_ptr<T>;
    iterator() = default;
    explicit iterator(std::shared_ptr<Node> n) : node_(std::move(n)) { SkipRemoved(); }
    const std::shared_ptr<T>& operator*() const { return node_->value; }
    const std::shared_ptr<T>* operator->() const { return &node_->value; }
    iterator& operator++() {
      node_ = node_->next;
      SkipRemoved();
      return *this;
    }
    bool operator==(const iterator& o) const { return node_ == o.node_; }
    bool operator!=(const iterator& o) const { return node_ != o.node_; }

   private:
    void SkipRemoved() {
      while (node_ && node_->removed) node_ = node_->next;
    }
    std::shared_ptr<Node> node_;
  };

  List() : head_(std::make_shared<Node>()), tail_(head_.get()) {}
  List(const List&) = delete;
  List& operator=(const List&) = delete;
  ~List() { Clear(); }

  iterator begin() const { return iterator(head_->next); }
  iterator end() const { return iterator(); }

  void AddLast(std::shared_ptr<T> v) {
    auto n = std::make_shared<Node>();
    n->value = std::move(v);
    n->prev = tail_;
    tail_->next = n;
    tail_ = n.get();
    ++count_;
    // Walks that stand on a removed former last element go on here.
    for (auto& w : dangling_)
      if (auto d = w.lock()) d->next = n;
    dangling_.clear();
  }

  void AddFirst(std::shared_ptr<T> v) {
    auto n = std::make_shared<Node>();
    n->value = std::move(v);
    n->prev = head_.get();
    n->next = head_->next;
    if (n->next) n->next->prev = n.get();
    else tail_ = n.get();
    head_->next = n;
    ++count_;
  }

  // Removes the first element equal to `v`: by `Compare` when the record type
  // has one, else by identity. Returns whether one was removed.
  bool Remove(const std::shared_ptr<T>& v) {
    for (Node* n = head_->next.get(); n; n = n->next.get()) {
      if (Matches(n->value, v)) {
        Unlink(n);
        return true;
      }
    }
    return false;
  }

  void Clear() {
    // Removed nodes keep their forward links so that walks in progress end
    // cleanly; the chain is released when the last walk lets go of it.
    for (Node* n = head_->next.get(); n; n = n->next.get()) n->removed = true;
    // Released one node at a time so that a long list cannot exhaust the stack;
    // a node some walk still holds keeps the rest of its chain.
    std::shared_ptr<Node> cur = std::move(head_->next);
    while (cur && cur.use_count() == 1) {
      std::shared_ptr<Node> next = std::move(cur->next);
      cur = std::move(next);
    }
    tail_ = head_.get();
    count_ = 0;
    // A walk in progress ends with the cleared list; it sees nothing added later.
    dangling_.clear();
  }

  int Count() const { return count_; }
  bool Empty() const { return count_ == 0; }

  std::shared_ptr<T> First() const {
    auto it = begin();
    return it == end() ? nullptr : *it;
  }
  std::shared_ptr<T> Last() const { return tail_ == head_.get() ? nullptr : tail_->value; }

  // Stable merge sort: the element of the right-hand run is taken only when
  // left.Compare(right) > 0, so equal elements keep their order.
  void Sort()
    requires HasCompare<T>
  {
    std::vector<std::shared_ptr<T>> items;
    items.reserve(count_);
    for (const auto& v : *this) items.push_back(v);
    std::vector<std::shared_ptr<T>> scratch(items.size());
    MergeSort(items, scratch, 0, items.size());
    Clear();
    for (auto& v : items) AddLast(std::move(v));
  }

  std::vector<std::shared_ptr<T>> ToVector() const {
    std::vector<std::shared_ptr<T>> out;
    out.reserve(count_);
    for (const auto& v : *this) out.push_back(v);
    return out;
  }

 private:
  static bool Matches(const std::shared_ptr<T>& a, const std::shared_ptr<T>& b) {
    if constexpr (HasCompare<T>) {
      if (a && b) return a->Compare(*b) == 0;
    }
    return a == b;
  }

  void Unlink(Node* n) {
    n->removed = true;
    Node* p = n->prev;
    // `p->next` owns `n`; keep `n` alive until its own links are adjusted.
    std::shared_ptr<Node> keep = p->next;
    if (n->next) {
      n->next->prev = p;
    } else {
      tail_ = p;
      // A walk standing on `n` (or on a removed node that leads to it) must
      // still reach what is appended later; `keep` and `p->next` are the two
      // references that do not count.
      if (keep.use_count() > 2) {
        std::erase_if(dangling_, [](const std::weak_ptr<Node>& w) { return w.expired(); });
        dangling_.push_back(keep);
      }
    }
    p->next = n->next;
    --count_;
  }

  static void MergeSort(std::vector<std::shared_ptr<T>>& a, std::vector<std::shared_ptr<T>>& tmp,
                        size_t lo, size_t hi) {
    if (hi - lo < 2) return;
    size_t mid = lo + (hi - lo) / 2;
    MergeSort(a, tmp, lo, mid);
    MergeSort(a, tmp, mid, hi);
    size_t i = lo, j = mid, k = lo;
    while (i < mid && j < hi) {
      if (a[i]->Compare(*a[j]) > 0) tmp[k++] = a[j++];
      else tmp[k++] = a[i++];
    }
    while (i < mid) tmp[k++] = a[i++];
    while (j < hi) tmp[k++] = a[j++];
    for (size_t m = lo; m < hi; ++m) a[m] = std::move(tmp[m]);
  }

  std::shared_ptr<Node> head_;
  Node* tail_;
  int count_ = 0;
  // Removed former last elements that a walk may still stand on.
  std::vector<std::weak_ptr<Node>> dangling_;
};

template <class T>
using ListPtr = std::shared_ptr<List<T>>;

template <class T>
ListPtr<T> CreateList() { return std::make_shared<List<T>>(); }
template <class T>
void ListAddLast(List<T>& l, std::shared_ptr<T> v) { l.AddLast(std::move(v)); }
template <class T>
void ListAddFirst(List<T>& l, std::shared_ptr<T> v) { l.AddFirst(std::move(v)); }
template <class T>
bool ListRemove(List<T>& l, const std::shared_ptr<T>& v) { return l.Remove(v); }
template <class T>
void ClearList(List<T>& l) { l.Clear(); }
template <class T>
int CountList(const List<T>& l) { return l.Count(); }
template <class T>
void SortList(List<T>& l) { l.Sort(); }
