// What the payment and the statement service share: a name, a Status, the
// two reserved operations, error reporting and their identity towards the host.
#pragma once
#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/host_interfaces.h"
#include "com/com_holders.h"
#include "com/error_guard.h"

namespace qf {

// Copy of a BSTR with the same length and bytes; null stays null.
BSTR CopyBstr(BSTR source);

template <class Interface, const IID* Iid>
class IBankServiceImpl : public DispatchImpl<Interface, Iid> {
public:
    // ICorvaneBankService
    STDMETHODIMP get_Name(BSTR* name) override
    {
        return Guard([&] {
            CheckArg(name != nullptr);
            *name = CopyBstr(m_name.Get());
            return S_OK;
        });
    }
    STDMETHODIMP get_Status(long* status) override
    {
        return Guard([&] {
            CheckArg(status != nullptr);
            *status = m_status;
            return S_OK;
        });
    }
    STDMETHODIMP put_Status(long status) override
    {
        m_status = status;
        return S_OK;
    }
    STDMETHODIMP Reserved1(long* reserved) override
    {
        return Guard([&] {
            CheckArg(reserved != nullptr);
            return S_OK;
        });
    }
    STDMETHODIMP Reserved2(long, long* reserved) override
    {
        return Guard([&] {
            CheckArg(reserved != nullptr);
            return S_OK;
        });
    }

    long Status() const { return m_status; }
    void SetStatus(long status) { m_status = status; }
    // The Status a run leaves behind.
    long& StatusRef() noexcept { return m_status; }

protected:
    explicit IBankServiceImpl(const wchar_t* name)
    {
        m_name = Bstr(name);
        if (!m_name.Get())
            throw std::bad_alloc();
    }

private:
    Bstr m_name;
    long m_status = 0;
};

} // namespace qf
