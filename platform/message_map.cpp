#include "platform/message_map.h"

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const MessageMapEntry entries[] = {MessageMapEntry()};
    static const MessageMap map = {nullptr, entries};
    return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const MessageMapEntry* CCmdTarget::FindEntry(MessageMapEntry::Kind kind, UINT code, UINT id) const
{
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* entry = map->entries; entry->kind != MessageMapEntry::Kind::End; ++entry) {
            if (entry->kind != kind)
                continue;
            if (kind == MessageMapEntry::Kind::Command && (entry->notifyCode != code || entry->id != id))
                continue;
            if (kind == MessageMapEntry::Kind::Message && entry->message != id)
                continue;
            return entry;
        }
    }
    return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT id, UINT code)
{
    const MessageMapEntry* entry = FindEntry(MessageMapEntry::Kind::Command, code, id);
    if (!entry)
        return false;
    (this->*entry->onVoid)();
    return true;
}
