#pragma once

#include "objects/GenericObject.h"

#include <QDateTime>
#include <QString>

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

// An ordered collection of GenericObject records. Positions count from 1; an element may carry a
// key, unique among the keys and compared without regard to case. Every misuse (a duplicate key,
// a missing key, a position out of range) throws AppError and changes nothing.
class colGeneric
{
    struct Entry
    {
        QString key; // empty: no key
        std::shared_ptr<GenericObject> object;
    };
    using Entries = std::vector<Entry>;

public:
    // Walks the elements in order, giving each GenericObject.
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = GenericObject;
        using difference_type = std::ptrdiff_t;
        using pointer = GenericObject *;
        using reference = GenericObject &;

        const_iterator() = default;
        GenericObject &operator*() const { return *m_it->object; }
        GenericObject *operator->() const { return m_it->object.get(); }
        const_iterator &operator++()
        {
            ++m_it;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++m_it;
            return before;
        }
        bool operator==(const const_iterator &other) const { return m_it == other.m_it; }

    private:
        friend class colGeneric;
        explicit const_iterator(Entries::const_iterator it) : m_it(it) {}
        Entries::const_iterator m_it;
    };

    // Appends a new record under sKey (no key when empty) and returns it. The last delivery
    // quantity is rounded half to even into a 16-bit integer (AppError 6 "Overflow" outside it).
    std::shared_ptr<GenericObject>
    Add(const QString &GenericName, const QString &GLCode, const QDateTime &LastDeliveryDate,
        double LastDeliveryQuantity, double BOH, double AMC, double IT, double ForOrderQuantity,
        const QString &strUOM, const QString &strUOM_ID, double dblListCost, bool blnGenericOrBrand,
        double dblDT, double dblSSL, const QString &sKey = QString());

    // By position (from 1) or by key.
    std::shared_ptr<GenericObject> Item(int index) const;
    std::shared_ptr<GenericObject> Item(const QString &key) const;
    qint32 Count() const { return static_cast<qint32>(m_entries.size()); }
    void Remove(int index);
    void Remove(const QString &key);

    const_iterator begin() const { return const_iterator(m_entries.cbegin()); }
    const_iterator end() const { return const_iterator(m_entries.cend()); }

private:
    Entries::size_type positionOf(int index) const;
    Entries::size_type positionOf(const QString &key) const;

    Entries m_entries;
};
