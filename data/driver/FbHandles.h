#pragma once
// Owners of the client library's interface objects. Reference-counted objects
// (statements, result sets, blobs, transactions, metadata, builders) are let
// go with release(); disposable ones (status vectors, parameter-block
// builders) with dispose(). A body that holds its objects this way frees them
// on every way out, an early return or a failure included.
#include <firebird/Interface.h>

#include <utility>

template <class T, void (*Free)(T *)>
class FbHandle {
public:
    FbHandle() = default;
    explicit FbHandle(T *object) : object_(object) {}
    ~FbHandle() { reset(); }
    FbHandle(FbHandle &&other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    FbHandle &operator=(FbHandle &&other) noexcept {
        if (this != &other) reset(std::exchange(other.object_, nullptr));
        return *this;
    }
    FbHandle(const FbHandle &) = delete;
    FbHandle &operator=(const FbHandle &) = delete;

    T *get() const { return object_; }
    T *operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Gives the object up without freeing it: it has freed itself (a
    // committed transaction, a closed blob) or has a new owner.
    T *release() { return std::exchange(object_, nullptr); }
    void reset(T *object = nullptr) {
        if (T *old = std::exchange(object_, object)) Free(old);
    }

private:
    T *object_ = nullptr;
};

namespace fbhandle_detail {
template <class T>
void Release(T *object) {
    object->release();
}
template <class T>
void Dispose(T *object) {
    object->dispose();
}
}  // namespace fbhandle_detail

// Calls release() on the object it holds.
template <class T>
using FbRef = FbHandle<T, fbhandle_detail::Release<T>>;

// Calls dispose() on the object it holds.
template <class T>
using FbDisposable = FbHandle<T, fbhandle_detail::Dispose<T>>;

// A status vector of its own for a run of client calls, disposed with it.
// FbOwnStatus throws on a failed call; FbQuietStatus only records it, for
// clean-up paths that go on whatever happens.
template <class Wrapper>
class OwnStatus : public Wrapper {
public:
    explicit OwnStatus(Firebird::IMaster *master) : Wrapper(master->getStatus()) {}
    ~OwnStatus() { Wrapper::dispose(); }
    OwnStatus(const OwnStatus &) = delete;
    OwnStatus &operator=(const OwnStatus &) = delete;

    bool failed() { return (Wrapper::getState() & Firebird::IStatus::STATE_ERRORS) != 0; }
};

using FbOwnStatus = OwnStatus<Firebird::ThrowStatusWrapper>;
using FbQuietStatus = OwnStatus<Firebird::CheckStatusWrapper>;
