#pragma once
// How components reach the command set: a holder asks GetCmd, which the
// command implementation answers with the command set it owns.
#include "device/device_cmd.h"

namespace tarn {

class ICmdImpl {
public:
    virtual ~ICmdImpl() = default;
    virtual void SetCmdImpl(ICmdImpl* impl) { m_pImpl = impl; }
    // A holder must be wired before it is asked.
    virtual CDeviceCmd* GetCmd() { return m_pImpl->GetCmd(); }

    ICmdImpl* m_pImpl = nullptr;  // non-owning
};

class CmdImpl : public ICmdImpl {
public:
    CDeviceCmd* GetCmd() override { return &m_cmd; }

private:
    CDeviceCmd m_cmd;
};

}  // namespace tarn
