#pragma once
#include "CListViewCtrl.h"
#include "FormBaseImpl.h"
#include "FormChannelsRes.h"
#include "ZephraDriver.h"
#include "resource.h"

// A read-only page listing ASIO channels, one row per channel with its device's name and
// its own name. The two pages differ only in the list they fetch.
class FormChannels : public FormBaseImpl<FormChannels>
{
public:
    enum { IDD = IDD_CHANNELS };

    // driver: the program's main client, not owned.
    explicit FormChannels(ZephraDriver& driver) : m_driver(driver) {}

    // Fills list with the channels this page shows.
    virtual ZephraStatus GetChannelList(ZephraChannelList* list) = 0;

    BEGIN_MSG_MAP(FormChannels)
        CHAIN_MSG_MAP(FormBaseImpl<FormChannels>)
    END_MSG_MAP()

    BEGIN_DLGRESIZE_MAP(FormChannels)
        DLGRESIZE_CONTROL(IDC_CHANNEL_LIST, DLSZ_SIZE_X | DLSZ_SIZE_Y)
    END_DLGRESIZE_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void OnResize() override;
    void Refresh() override;

protected:
    ZephraDriver& m_driver;

private:
    CListViewCtrl m_list;
};

// "ASIO IN Channels".
class FormInChannels : public FormChannels
{
public:
    explicit FormInChannels(ZephraDriver& driver) : FormChannels(driver) {}
    ZephraStatus GetChannelList(ZephraChannelList* list) override { return m_driver.GetInputChannels(list); }
};

// "ASIO OUT Channels".
class FormOutChannels : public FormChannels
{
public:
    explicit FormOutChannels(ZephraDriver& driver) : FormChannels(driver) {}
    ZephraStatus GetChannelList(ZephraChannelList* list) override { return m_driver.GetOutputChannels(list); }
};
