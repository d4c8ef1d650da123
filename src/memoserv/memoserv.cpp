#include "memoserv/memoserv.h"

#include "core/services.h"

namespace nb {

MemoServ::MemoServ(Services& services) : services_(services) {}

void MemoServ::LoadMemos() {}
void MemoServ::NotifyMemoCount(std::size_t) {}
void MemoServ::Dispatch(std::size_t, const std::string&) {}

}  // namespace nb
