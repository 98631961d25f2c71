#include "settings/Registry.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "base/KelvaraError.h"
#include "settings/FileRegistryStore.h"

namespace {

// Registry text is counted with its terminating NUL; a size below 1 is empty.
QString textOf(const QByteArray &data)
{
    if (data.size() < 1)
        return QString();
    return QString::fromUtf8(data.constData(), data.size() - 1);
}

qint32 dwordOf(const QByteArray &data, bool bigEndian)
{
    quint32 v = 0;
    const int n = static_cast<int>(qMin<qsizetype>(data.size(), 4));
    for (int i = 0; i < n; ++i) {
        const quint32 byte = static_cast<unsigned char>(data[i]);
        v |= bigEndian ? byte << (8 * (3 - i)) : byte << (8 * i);
    }
    return static_cast<qint32>(v);
}

// A "%" with another "%" at least two characters further on: the text may
// name an environment variable, so it is stored for expansion.
bool wantsExpansion(const QString &text)
{
    const qsizetype first = text.indexOf(u'%');
    return first >= 0 && text.indexOf(u'%', first + 2) >= 0;
}

} // namespace

Registry::Registry()
    : m_ownStore(std::make_unique<FileRegistryStore>())
    , m_store(m_ownStore.get())
{
    m_classKey = HKEY_LOCAL_MACHINE;
}

Registry::Registry(RegistryStore &store)
    : m_store(&store)
{
    m_classKey = HKEY_LOCAL_MACHINE;
}

Registry::~Registry() = default;

QString Registry::errorSource()
{
    QString exe;
    if (QCoreApplication::instance())
        exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (exe.isEmpty())
        exe = QStringLiteral("kelvara");
    return exe + QStringLiteral(".cRegistry");
}

void Registry::raise(const QString &description) const
{
    throw KelvaraError(ErrorNumber, description, errorSource());
}

QString Registry::expandEnvironmentStrings(const QString &text)
{
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'%', i);
        if (open < 0) {
            out += text.mid(i);
            break;
        }
        out += text.mid(i, open - i);
        const qsizetype close = text.indexOf(u'%', open + 1);
        if (close < 0) {
            out += text.mid(open);
            break;
        }
        const QString name = text.mid(open + 1, close - open - 1);
        if (!name.isEmpty() && qEnvironmentVariableIsSet(name.toLocal8Bit().constData())) {
            out += qEnvironmentVariable(name.toLocal8Bit().constData());
            i = close + 1;
        } else {
            // Not a reference: keep the text and let the closing sign open the next one.
            out += text.mid(open, close - open);
            i = close;
        }
    }
    return out;
}

QVariant Registry::value()
{
    const auto stored = m_store->readValue(quint32(m_classKey), m_sectionKey, m_valueKey);
    if (!stored)
        return m_default;
    m_valueType = static_cast<qint32>(stored->type);
    switch (stored->type) {
    case REG_SZ:
    case REG_MULTI_SZ:
        return textOf(stored->data);
    case REG_EXPAND_SZ:
        return expandEnvironmentStrings(textOf(stored->data));
    case REG_DWORD:
        return dwordOf(stored->data, false);
    case REG_DWORD_BIG_ENDIAN:
        return dwordOf(stored->data, true);
    default:
        return stored->data;
    }
}

void Registry::setValue(const QVariant &value)
{
    const quint32 hive = quint32(m_classKey);
    if (!m_store->createKey(hive, m_sectionKey))
        return;

    RegistryValue out;
    switch (m_valueType) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const QString text = value.toString();
        out.type = wantsExpansion(text) ? REG_EXPAND_SZ : REG_SZ;
        if (!text.isEmpty()) {
            out.data = text.toUtf8();
            out.data.append('\0');
        }
        break;
    }
    case REG_BINARY:
        if (value.typeId() != QMetaType::QByteArray)
            raise(QStringLiteral("A REG_BINARY value must be an array of bytes"));
        out.type = REG_BINARY;
        out.data = value.toByteArray();
        break;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        const int id = value.typeId();
        if (id != QMetaType::Short && id != QMetaType::Int)
            return;
        const quint32 v = static_cast<quint32>(value.toInt());
        out.type = REG_DWORD;
        out.data.resize(4);
        for (int i = 0; i < 4; ++i)
            out.data[i] = static_cast<char>((v >> (8 * i)) & 0xff);
        break;
    }
    default:
        return;
    }
    m_store->writeValue(hive, m_sectionKey, m_valueKey, out);
}
