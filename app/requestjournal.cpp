#include "app/requestjournal.h"
RequestJournal::RequestJournal(const QString &, const QString &) {}
void RequestJournal::save(const RequestDraft &) {}
std::optional<RequestDraft> RequestJournal::load() const
{
    return std::nullopt;
}
void RequestJournal::clear() {}
QString RequestJournal::path() const
{
    return m_path;
}
