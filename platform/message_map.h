#pragma once

#include <windows.h>

// Message maps: each window class lists the messages it handles, and a
// message not in its list goes to its base class's list. The handlers are
// ordinary member functions; each entry records which of the few handler
// shapes it has, so a handler is always called with the arguments it takes.

class CCmdTarget;
class CWnd;

struct MessageMapEntry {
    enum class Kind { End, Command, SysCommand, Paint, QueryDragIcon, Message };
    using VoidHandler = void (CCmdTarget::*)();
    using SysCommandHandler = void (CWnd::*)(UINT, LPARAM);
    using IconHandler = HCURSOR (CWnd::*)();
    using MessageHandler = LRESULT (CWnd::*)(WPARAM, LPARAM);

    Kind kind = Kind::End;
    UINT notifyCode = 0; // WM_COMMAND notification code
    UINT id = 0;         // WM_COMMAND control or command ID
    UINT message = 0;    // the message of an ON_MESSAGE entry
    VoidHandler onVoid = nullptr;
    SysCommandHandler onSysCommand = nullptr;
    IconHandler onIcon = nullptr;
    MessageHandler onMessage = nullptr;
};

struct MessageMap {
    const MessageMap* (*base)(); // null at the root
    const MessageMapEntry* entries;
};

// Entry builders used by the ON_ macros.
inline MessageMapEntry CommandEntry(UINT code, UINT id, MessageMapEntry::VoidHandler handler)
{
    MessageMapEntry entry;
    entry.kind = MessageMapEntry::Kind::Command;
    entry.notifyCode = code;
    entry.id = id;
    entry.onVoid = handler;
    return entry;
}

inline MessageMapEntry VoidEntry(MessageMapEntry::Kind kind, MessageMapEntry::VoidHandler handler)
{
    MessageMapEntry entry;
    entry.kind = kind;
    entry.onVoid = handler;
    return entry;
}

inline MessageMapEntry SysCommandEntry(MessageMapEntry::SysCommandHandler handler)
{
    MessageMapEntry entry;
    entry.kind = MessageMapEntry::Kind::SysCommand;
    entry.onSysCommand = handler;
    return entry;
}

inline MessageMapEntry QueryDragIconEntry(MessageMapEntry::IconHandler handler)
{
    MessageMapEntry entry;
    entry.kind = MessageMapEntry::Kind::QueryDragIcon;
    entry.onIcon = handler;
    return entry;
}

inline MessageMapEntry MessageEntry(UINT message, MessageMapEntry::MessageHandler handler)
{
    MessageMapEntry entry;
    entry.kind = MessageMapEntry::Kind::Message;
    entry.message = message;
    entry.onMessage = handler;
    return entry;
}

// Anything that can receive commands: windows and the application object.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the handler for WM_COMMAND (code, id) if this object's map or a
    // base map has one; returns whether it did.
    bool OnCmdMsg(UINT id, UINT code);

protected:
    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const;
    // `code` and `id` select a command entry; `id` alone an ON_MESSAGE entry.
    const MessageMapEntry* FindEntry(MessageMapEntry::Kind kind, UINT code = 0, UINT id = 0) const;
};

#define DECLARE_MESSAGE_MAP()                        \
protected:                                           \
    static const MessageMap* GetThisMessageMap();    \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const MessageMap* theClass::GetThisMessageMap()                             \
    {                                                                           \
        using ThisClass = theClass;                                             \
        using TheBaseClass = baseClass;                                         \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                    \
    MessageMapEntry()                                                        \
    };                                                                       \
    static const MessageMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
    return &map;                                                             \
    }

#define ON_COMMAND(id, handler) \
    CommandEntry(0, id, static_cast<MessageMapEntry::VoidHandler>(&ThisClass::handler)),
#define ON_BN_CLICKED(id, handler) \
    CommandEntry(BN_CLICKED, id, static_cast<MessageMapEntry::VoidHandler>(&ThisClass::handler)),
#define ON_WM_PAINT() \
    VoidEntry(MessageMapEntry::Kind::Paint, static_cast<MessageMapEntry::VoidHandler>(&ThisClass::OnPaint)),
#define ON_WM_SYSCOMMAND() \
    SysCommandEntry(static_cast<MessageMapEntry::SysCommandHandler>(&ThisClass::OnSysCommand)),
// A message of the program's own (WM_APP and up).
#define ON_MESSAGE(message, handler) \
    MessageEntry(message, static_cast<MessageMapEntry::MessageHandler>(&ThisClass::handler)),
#define ON_WM_QUERYDRAGICON() \
    QueryDragIconEntry(static_cast<MessageMapEntry::IconHandler>(&ThisClass::OnQueryDragIcon)),
