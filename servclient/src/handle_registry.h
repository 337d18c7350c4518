#pragma once

// The int32 handles of the C interface. One process-wide map from handle to
// a holder of exactly one object of one kind; handles come from one counter,
// start at 1 and are never reused while the process runs. Every lookup checks
// the kind: a handle of another kind is as unknown as a handle never issued.
//
// A new kind of object joins by naming its kind:
//     template <> struct HandleKindOf<PlaySession> : KindIs<HandleKind::Stream> {};

#include <atomic>
#include <cstdint>
#include <map>

#include <boost/shared_ptr.hpp>
#include <boost/thread/shared_mutex.hpp>

namespace sms {

enum class HandleKind { Login, Stream, PlayBack, Search };

template <HandleKind K>
struct KindIs {
    static const HandleKind value = K;
};

template <class T>
struct HandleKindOf;

class KelSession;
class FindDatas;
template <>
struct HandleKindOf<KelSession> : KindIs<HandleKind::Login> {};
template <>
struct HandleKindOf<FindDatas> : KindIs<HandleKind::Search> {};

class HandleRegistry {
public:
    static HandleRegistry& instance();

    template <class T>
    int32_t add(const boost::shared_ptr<T>& object) {
        return addHolder(HandleKindOf<T>::value, object);
    }

    // Null for an unknown handle or one of another kind. The registry's
    // mutex is not held while the caller works with the object.
    template <class T>
    boost::shared_ptr<T> find(int32_t handle) const {
        return boost::static_pointer_cast<T>(findHolder(handle, HandleKindOf<T>::value));
    }

    // Removes a handle of that kind; null (and nothing removed) otherwise.
    // The object is returned so that it ends outside the mutex.
    template <class T>
    boost::shared_ptr<T> remove(int32_t handle) {
        return boost::static_pointer_cast<T>(removeHolder(handle, HandleKindOf<T>::value, true));
    }

    // Removes a handle of any kind.
    boost::shared_ptr<void> removeAny(int32_t handle) { return removeHolder(handle, HandleKind::Login, false); }

    // Lets go of every object; handles issued stay used.
    void clear();
    std::size_t size() const;

private:
    struct Holder {
        HandleKind kind;
        boost::shared_ptr<void> object;
    };

    int32_t addHolder(HandleKind kind, boost::shared_ptr<void> object);
    boost::shared_ptr<void> findHolder(int32_t handle, HandleKind kind) const;
    boost::shared_ptr<void> removeHolder(int32_t handle, HandleKind kind, bool checkKind);

    mutable boost::shared_mutex mutex_;
    std::map<int32_t, Holder> holders_;
    std::atomic<int32_t> counter_{0};
};

}  // namespace sms
