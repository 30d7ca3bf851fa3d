#include "platform/x11/shm_segment.h"

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <cstdlib>

#include "platform/x11/xcb_reply.h"

namespace {

// Enough to learn whether the server can see our memory at all.
constexpr std::size_t kProbeSize = 4096;

}  // namespace

ShmSegment::ShmSegment(xcb_connection_t* connection) : m_connection(connection) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_shm_id);
    if (!extension || !extension->present) return;
    const XcbReply<xcb_shm_query_version_reply_t> version{
        xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr)};
    if (!version) return;
    m_available = attach(kProbeSize);
    release();
}

ShmSegment::~ShmSegment() {
    release();
}

bool ShmSegment::reserve(std::size_t bytes) {
    if (!m_available) return false;
    if (bytes <= m_size) return true;
    release();
    if (!attach(bytes)) disable();
    return m_available;
}

void ShmSegment::disable() {
    release();
    m_available = false;
}

bool ShmSegment::attach(std::size_t bytes) {
    const int shmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shmId < 0) return false;
    void* address = shmat(shmId, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(shmId, IPC_RMID, nullptr);
        return false;
    }
    m_segment = xcb_generate_id(m_connection);
    xcb_generic_error_t* error = xcb_request_check(
        m_connection, xcb_shm_attach_checked(m_connection, m_segment, std::uint32_t(shmId), false));
    // Once both sides are attached (or the server refused) the id can go: the system frees
    // the memory when the last side detaches, even if this process dies.
    shmctl(shmId, IPC_RMID, nullptr);
    if (error) {
        // A server on another machine or in another namespace cannot see our memory.
        std::free(error);
        shmdt(address);
        return false;
    }
#ifdef MADV_POPULATE_WRITE
    // The segment is fresh and the server fills all of it: one call maps every page at once
    // instead of one fault per page while the pixels are read (tens of milliseconds for a
    // screen in a virtual machine). An older kernel refuses it and the pages fault as before.
    madvise(address, bytes, MADV_POPULATE_WRITE);
#endif
    m_data = static_cast<std::uint8_t*>(address);
    m_size = bytes;
    m_attached = true;
    return true;
}

void ShmSegment::release() {
    if (m_attached) {
        xcb_shm_detach(m_connection, m_segment);
        xcb_flush(m_connection);
        m_attached = false;
    }
    if (m_data) shmdt(m_data);
    m_data = nullptr;
    m_size = 0;
}
