#include "objects/colGeneric.h"

#include "app/vbformat.h"
#include "platform/error.h"

namespace {

const QString Source = QStringLiteral("colGeneric");

} // namespace

std::shared_ptr<GenericObject> colGeneric::Add(const QString &GenericName, const QString &GLCode,
                                               const QDateTime &LastDeliveryDate,
                                               double LastDeliveryQuantity, double BOH, double AMC,
                                               double IT, double ForOrderQuantity,
                                               const QString &strUOM, const QString &strUOM_ID,
                                               double dblListCost, bool blnGenericOrBrand,
                                               double dblDT, double dblSSL, const QString &sKey)
{
    if (!sKey.isEmpty()) {
        for (const Entry &entry : m_entries) {
            if (entry.key.compare(sKey, Qt::CaseInsensitive) == 0)
                throw AppError(457, Source,
                               QStringLiteral("This key is already associated with an element "
                                              "of this collection"));
        }
    }
    auto object = std::make_shared<GenericObject>();
    object->setGenericName(GenericName);
    object->setGLCode(GLCode);
    object->setLastDeliveryDate(LastDeliveryDate);
    object->setLastDeliveryQuantity(vb::toInteger16(LastDeliveryQuantity));
    object->setBOH(BOH);
    object->setAMC(AMC);
    object->setIT(IT);
    object->setForOrderQuantity(ForOrderQuantity);
    object->setUOM(strUOM);
    object->setUOM_ID(strUOM_ID);
    object->setListCost(dblListCost);
    object->setGenericOrBrand(blnGenericOrBrand);
    object->setDT(dblDT);
    object->setSSL(dblSSL);
    m_entries.push_back(Entry{sKey, object});
    return object;
}

colGeneric::Entries::size_type colGeneric::positionOf(int index) const
{
    if (index < 1 || index > Count())
        throw AppError(9, Source, QStringLiteral("Subscript out of range"));
    return static_cast<Entries::size_type>(index - 1);
}

colGeneric::Entries::size_type colGeneric::positionOf(const QString &key) const
{
    if (!key.isEmpty()) {
        for (Entries::size_type i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].key.compare(key, Qt::CaseInsensitive) == 0)
                return i;
        }
    }
    throw AppError(5, Source, QStringLiteral("Invalid procedure call or argument"));
}

std::shared_ptr<GenericObject> colGeneric::Item(int index) const
{
    return m_entries[positionOf(index)].object;
}

std::shared_ptr<GenericObject> colGeneric::Item(const QString &key) const
{
    return m_entries[positionOf(key)].object;
}

void colGeneric::Remove(int index)
{
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(positionOf(index)));
}

void colGeneric::Remove(const QString &key)
{
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(positionOf(key)));
}
