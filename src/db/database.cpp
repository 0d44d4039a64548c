#include "database.h"

#include "dberror.h"
#include "firebird.h"
#include "status.h"

#include <firebird/Interface.h>

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace db {

namespace {

const unsigned kDialect = 3;
const unsigned kCharsetUtf8 = 4;

// Texts travel as VARYING of a rounded-up length, so that statements run
// again with texts of similar length reuse their message layout.
unsigned textCapacity(qsizetype bytes)
{
    const unsigned limit = 32765;
    if (bytes > limit)
        throw DbError(QStringLiteral("A text parameter of %1 bytes is too long.").arg(bytes));
    return std::min(limit, std::max(64u, qNextPowerOfTwo(static_cast<quint32>(bytes))));
}

bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; }

QByteArray connectionBlock(const ConnectionParameters &p, int pageSize, bool create)
{
    Status status;
    auto *dpb = util()->getXpbBuilder(&status, Firebird::IXpbBuilder::DPB, nullptr, 0);
    status.check();
    dpb->insertString(&status, isc_dpb_user_name, p.user.toUtf8().constData());
    dpb->insertString(&status, isc_dpb_password, p.password.toUtf8().constData());
    dpb->insertString(&status, isc_dpb_lc_ctype, "UTF8");
    dpb->insertTag(&status, isc_dpb_utf8_filename);
    if (!p.configuration.isEmpty())
        dpb->insertString(&status, isc_dpb_config, p.configuration.toUtf8().constData());
    if (create) {
        dpb->insertInt(&status, isc_dpb_page_size, pageSize);
        dpb->insertString(&status, isc_dpb_set_db_charset, "UTF8");
        dpb->insertInt(&status, isc_dpb_sql_dialect, kDialect);
    }
    QByteArray block(reinterpret_cast<const char *>(dpb->getBuffer(&status)),
                     static_cast<int>(dpb->getBufferLength(&status)));
    dpb->dispose();
    status.check();
    return block;
}

} // namespace

// ---------------------------------------------------------------- Connection

Connection::~Connection() { close(); }

void Connection::open(const ConnectionParameters &parameters)
{
    close();
    m_parameters = parameters;
    const QByteArray dpb = connectionBlock(parameters, 0, false);
    Status status;
    m_attachment = provider()->attachDatabase(&status, parameters.database.toUtf8().constData(),
                                              static_cast<unsigned>(dpb.size()),
                                              reinterpret_cast<const unsigned char *>(dpb.constData()));
    if (!m_attachment)
        status.check();
    ++m_generation;
}

void Connection::close() noexcept
{
    if (!m_attachment)
        return;
    Status status;
    m_attachment->detach(&status);
    // A detach refused (a lost server) still has to free the handle.
    if (status.failed())
        m_attachment->release();
    m_attachment = nullptr;
}

void Connection::createDatabase(const ConnectionParameters &parameters, int pageSize)
{
    const QByteArray dpb = connectionBlock(parameters, pageSize, true);
    Status status;
    auto *attachment = provider()->createDatabase(&status, parameters.database.toUtf8().constData(),
                                                  static_cast<unsigned>(dpb.size()),
                                                  reinterpret_cast<const unsigned char *>(dpb.constData()));
    status.check();
    attachment->detach(&status);
    status.check();
}

// --------------------------------------------------------------- Transaction

Transaction::~Transaction() { rollbackQuietly(); }

void Transaction::dropIfEnded() noexcept
{
    if (!isActive())
        rollbackQuietly();
}

void Transaction::rollbackQuietly() noexcept
{
    if (!m_transaction)
        return;
    closeCursors();
    Status status;
    m_transaction->rollback(&status);
    if (status.failed())
        m_transaction->release();
    m_transaction = nullptr;
}

void Transaction::start()
{
    dropIfEnded();
    if (m_transaction)
        throw DbError(QStringLiteral("The transaction is already active."));
    if (!m_connection.isOpen())
        throw DbError(QStringLiteral("The database is not connected."));
    Status status;
    m_transaction = m_connection.attachment()->startTransaction(&status, 0, nullptr);
    status.check();
    m_generation = m_connection.generation();
}

void Transaction::startIfInactive()
{
    dropIfEnded();
    if (!m_transaction)
        start();
}

void Transaction::commit()
{
    dropIfEnded();
    if (!m_transaction)
        throw DbError(QStringLiteral("The transaction is not active."));
    closeCursors();
    Status status;
    m_transaction->commit(&status);
    status.check();
    m_transaction = nullptr;
}

void Transaction::commitIfActive()
{
    dropIfEnded();
    if (m_transaction)
        commit();
}

void Transaction::rollback()
{
    dropIfEnded();
    if (!m_transaction)
        throw DbError(QStringLiteral("The transaction is not active."));
    closeCursors();
    Status status;
    m_transaction->rollback(&status);
    status.check();
    m_transaction = nullptr;
}

void Transaction::closeCursors() noexcept
{
    // close() unregisters, so work on a copy.
    const auto statements = m_openStatements;
    for (Statement *statement : statements)
        statement->close();
    m_openStatements.clear();
}

// ------------------------------------------------------- named parameters

PositionalSql toPositional(const QString &sql)
{
    const QByteArray in = sql.toUtf8();
    PositionalSql out;
    out.sql.reserve(in.size());
    for (qsizetype i = 0; i < in.size();) {
        const char c = in[i];
        if (c == '\'' || c == '"') {
            // A quoted text or identifier; a doubled quote stays inside.
            qsizetype end = i + 1;
            while (end < in.size()) {
                if (in[end] == c) {
                    if (end + 1 < in.size() && in[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            end = std::min(end + 1, in.size());
            out.sql.append(in.mid(i, end - i));
            i = end;
        } else if (c == '-' && i + 1 < in.size() && in[i + 1] == '-') {
            qsizetype end = in.indexOf('\n', i);
            end = end < 0 ? in.size() : end;
            out.sql.append(in.mid(i, end - i));
            i = end;
        } else if (c == '/' && i + 1 < in.size() && in[i + 1] == '*') {
            qsizetype end = in.indexOf("*/", i + 2);
            end = end < 0 ? in.size() : end + 2;
            out.sql.append(in.mid(i, end - i));
            i = end;
        } else if (c == ':' && i + 1 < in.size() && isNameStart(in[i + 1])) {
            qsizetype end = i + 1;
            while (end < in.size() && isNameChar(in[end]))
                ++end;
            out.names.append(QString::fromUtf8(in.mid(i + 1, end - i - 1)).toUpper());
            out.sql.append('?');
            i = end;
        } else {
            out.sql.append(c);
            ++i;
        }
    }
    return out;
}

QString trimBlanks(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= ' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= ' ')
        --end;
    return (begin == 0 && end == text.size()) ? text : text.mid(begin, end - begin);
}

// ------------------------------------------------------------------ Statement

Statement::Statement(Transaction &transaction, const QString &sql) : m_transaction(transaction)
{
    setSql(sql);
}

Statement::~Statement()
{
    unprepare();
}

void Statement::setSql(const QString &sql)
{
    unprepare();
    m_sql = sql;
    PositionalSql positional = toPositional(sql);
    m_positionalSql = positional.sql;
    m_positionNames = positional.names;
    m_values.assign(static_cast<size_t>(m_positionNames.size()), ParamValue{});
}

void Statement::setValue(const QString &name, ParamValue value)
{
    const QString key = name.startsWith(QLatin1Char(':')) ? name.mid(1).toUpper() : name.toUpper();
    bool found = false;
    for (qsizetype i = 0; i < m_positionNames.size(); ++i) {
        if (m_positionNames[i] == key) {
            m_values[static_cast<size_t>(i)] = value;
            found = true;
        }
    }
    if (!found)
        throw DbError(QStringLiteral("Parameter \"%1\" not found in: %2").arg(name, m_sql));
}

void Statement::setNull(const QString &name) { setValue(name, ParamValue{}); }

void Statement::setInt(const QString &name, qint64 value)
{
    ParamValue v;
    v.kind = ParamValue::Kind::Integer;
    v.integer = value;
    setValue(name, v);
}

void Statement::setAmount(const QString &name, qint64 tenThousandths)
{
    ParamValue v;
    v.kind = ParamValue::Kind::Integer;
    v.integer = tenThousandths;
    v.scale = -4;
    setValue(name, v);
}

void Statement::setText(const QString &name, const QString &value)
{
    ParamValue v;
    v.kind = ParamValue::Kind::Text;
    v.text = value.toUtf8();
    setValue(name, v);
}

void Statement::prepare()
{
    const quint64 generation = m_transaction.connection().generation();
    if (m_statement) {
        if (m_preparedGeneration == generation)
            return;
        // Prepared before the connection was closed and opened again: that
        // handle died with the old attachment.
        unprepare();
    }
    if (!m_transaction.isActive())
        throw DbError(QStringLiteral("The transaction is not active."));
    Status status;
    m_statement = m_transaction.connection().attachment()->prepare(
        &status, m_transaction.handle(), 0, m_positionalSql.constData(), kDialect,
        Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    status.check();
    m_preparedGeneration = generation;
    m_declaredInput = m_statement->getInputMetadata(&status);
    status.check();
    m_output = m_statement->getOutputMetadata(&status);
    status.check();

    const unsigned count = m_output->getCount(&status);
    m_columns.clear();
    m_columns.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        Column column;
        column.name = QString::fromUtf8(m_output->getAlias(&status, i));
        column.type = m_output->getType(&status, i);
        column.scale = m_output->getScale(&status, i);
        column.length = m_output->getLength(&status, i);
        column.offset = m_output->getOffset(&status, i);
        column.nullOffset = m_output->getNullOffset(&status, i);
        m_columns.push_back(column);
    }
    m_row.assign(m_output->getMessageLength(&status), 0);
    status.check();
}

void Statement::unprepare() noexcept
{
    close();
    Status status;
    if (m_input)
        m_input->release();
    if (m_declaredInput)
        m_declaredInput->release();
    if (m_output)
        m_output->release();
    if (m_statement) {
        m_statement->free(&status);
        if (status.failed())
            m_statement->release();
    }
    m_input = m_declaredInput = m_output = nullptr;
    m_statement = nullptr;
    m_inputSignature.clear();
    m_columns.clear();
}

// The input message is described by the values given, so that Firebird
// converts them to the declared types (and reports what does not fit).
Firebird::IMessageMetadata *Statement::inputMetadata()
{
    QByteArray signature;
    for (const ParamValue &v : m_values) {
        signature.append(static_cast<char>(v.kind));
        signature.append(static_cast<char>(v.scale));
        if (v.kind == ParamValue::Kind::Text)
            signature.append(QByteArray::number(textCapacity(v.text.size())));
        signature.append(',');
    }
    if (m_input && signature == m_inputSignature)
        return m_input;

    Status status;
    const unsigned count = static_cast<unsigned>(m_values.size());
    auto *builder = master()->getMetadataBuilder(&status, count);
    status.check();
    for (unsigned i = 0; i < count; ++i) {
        const ParamValue &v = m_values[i];
        switch (v.kind) {
        case ParamValue::Kind::Null:
            builder->setType(&status, i, SQL_LONG | 1);
            builder->setLength(&status, i, sizeof(ISC_LONG));
            break;
        case ParamValue::Kind::Integer:
            builder->setType(&status, i, SQL_INT64 | 1);
            builder->setLength(&status, i, sizeof(ISC_INT64));
            builder->setScale(&status, i, v.scale);
            break;
        case ParamValue::Kind::Text:
            builder->setType(&status, i, SQL_VARYING | 1);
            builder->setLength(&status, i, textCapacity(v.text.size()));
            builder->setCharSet(&status, i, kCharsetUtf8);
            break;
        }
    }
    auto *metadata = builder->getMetadata(&status);
    builder->release();
    status.check();
    if (m_input)
        m_input->release();
    m_input = metadata;
    m_inputSignature = signature;
    return m_input;
}

QByteArray Statement::inputMessage(Firebird::IMessageMetadata *metadata) const
{
    Status status;
    QByteArray buffer(static_cast<qsizetype>(metadata->getMessageLength(&status)), '\0');
    char *base = buffer.data();
    for (unsigned i = 0; i < m_values.size(); ++i) {
        const ParamValue &v = m_values[i];
        char *data = base + metadata->getOffset(&status, i);
        auto *nullFlag = reinterpret_cast<short *>(base + metadata->getNullOffset(&status, i));
        *nullFlag = v.kind == ParamValue::Kind::Null ? -1 : 0;
        switch (v.kind) {
        case ParamValue::Kind::Null:
            break;
        case ParamValue::Kind::Integer:
            std::memcpy(data, &v.integer, sizeof v.integer);
            break;
        case ParamValue::Kind::Text: {
            const auto length = static_cast<unsigned short>(v.text.size());
            std::memcpy(data, &length, sizeof length);
            std::memcpy(data + sizeof length, v.text.constData(), length);
            break;
        }
        }
    }
    status.check();
    return buffer;
}

void Statement::execute()
{
    close();
    prepare();
    Firebird::IMessageMetadata *metadata = m_values.empty() ? nullptr : inputMetadata();
    const QByteArray message = metadata ? inputMessage(metadata) : QByteArray();
    Status status;
    auto *transaction = m_transaction.handle();
    m_statement->execute(&status, transaction, metadata,
                         metadata ? const_cast<char *>(message.constData()) : nullptr,
                         m_columns.empty() ? nullptr : m_output,
                         m_columns.empty() ? nullptr : m_row.data());
    status.check();
}

quint64 Statement::affectedRows() const
{
    if (!m_statement)
        return 0;
    Status status;
    const quint64 rows = m_statement->getAffectedRecords(&status);
    status.check();
    return rows;
}

void Statement::open()
{
    close();
    prepare();
    Firebird::IMessageMetadata *metadata = m_values.empty() ? nullptr : inputMetadata();
    const QByteArray message = metadata ? inputMessage(metadata) : QByteArray();
    Status status;
    m_cursor = m_statement->openCursor(&status, m_transaction.handle(), metadata,
                                       metadata ? const_cast<char *>(message.constData()) : nullptr,
                                       m_output, 0);
    status.check();
    m_transaction.m_openStatements.push_back(this);
}

bool Statement::next()
{
    if (!m_cursor)
        throw DbError(QStringLiteral("The query is not open."));
    Status status;
    const int result = m_cursor->fetchNext(&status, m_row.data());
    status.check();
    m_onRow = result == Firebird::IStatus::RESULT_OK;
    return m_onRow;
}

void Statement::close() noexcept
{
    m_onRow = false;
    if (!m_cursor)
        return;
    Status status;
    m_cursor->close(&status);
    if (status.failed())
        m_cursor->release();
    m_cursor = nullptr;
    auto &open = m_transaction.m_openStatements;
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
}

int Statement::columnCount() const { return static_cast<int>(m_columns.size()); }

QString Statement::columnName(int column) const { return m_columns.at(static_cast<size_t>(column)).name; }

int Statement::columnIndex(const QString &name) const
{
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int Statement::requireColumn(const QString &name) const
{
    const int index = columnIndex(name);
    if (index < 0)
        throw DbError(QStringLiteral("Column \"%1\" not found in: %2").arg(name, m_sql));
    return index;
}

const unsigned char *Statement::field(int column) const
{
    if (column < 0 || column >= columnCount())
        throw DbError(QStringLiteral("Column %1 out of range in: %2").arg(column).arg(m_sql));
    return m_row.data() + m_columns[static_cast<size_t>(column)].offset;
}

bool Statement::isNull(int column) const
{
    field(column);
    const Column &c = m_columns[static_cast<size_t>(column)];
    short flag;
    std::memcpy(&flag, m_row.data() + c.nullOffset, sizeof flag);
    return flag != 0;
}

namespace {

qint64 rescale(qint64 value, int from, int to)
{
    for (; from > to; --from)
        value *= 10;
    for (; from < to; ++from) {
        // Round half away from zero on the digit that goes.
        const qint64 rest = value % 10;
        value /= 10;
        if (rest >= 5)
            ++value;
        else if (rest <= -5)
            --value;
    }
    return value;
}

} // namespace

qint64 Statement::scaledInteger(int column, int wantedScale) const
{
    if (isNull(column))
        return 0;
    const Column &c = m_columns[static_cast<size_t>(column)];
    const unsigned char *data = field(column);
    switch (c.type) {
    case SQL_SHORT: {
        qint16 v;
        std::memcpy(&v, data, sizeof v);
        return rescale(v, c.scale, wantedScale);
    }
    case SQL_LONG: {
        qint32 v;
        std::memcpy(&v, data, sizeof v);
        return rescale(v, c.scale, wantedScale);
    }
    case SQL_INT64: {
        qint64 v;
        std::memcpy(&v, data, sizeof v);
        return rescale(v, c.scale, wantedScale);
    }
    case SQL_BOOLEAN:
        return rescale(*data ? 1 : 0, 0, wantedScale);
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return std::llround(toDouble(column) * std::pow(10.0, -wantedScale));
    case SQL_TEXT:
    case SQL_VARYING: {
        bool ok = false;
        const qint64 v = toText(column).toLongLong(&ok);
        if (!ok)
            throw DbError(QStringLiteral("Column \"%1\" is not a number.").arg(c.name));
        return rescale(v, 0, wantedScale);
    }
    default:
        throw DbError(QStringLiteral("Column \"%1\" cannot be read as a number.").arg(c.name));
    }
}

qint32 Statement::toInt(int column) const
{
    const qint64 v = scaledInteger(column, 0);
    if (v < INT32_MIN || v > INT32_MAX)
        throw DbError(QStringLiteral("Column \"%1\" does not fit 32 bits.").arg(columnName(column)));
    return static_cast<qint32>(v);
}

qint64 Statement::toBigInt(int column) const { return scaledInteger(column, 0); }

qint64 Statement::toAmount(int column) const { return scaledInteger(column, -4); }

double Statement::toDouble(int column) const
{
    if (isNull(column))
        return 0;
    const Column &c = m_columns[static_cast<size_t>(column)];
    const unsigned char *data = field(column);
    if (c.type == SQL_DOUBLE) {
        double v;
        std::memcpy(&v, data, sizeof v);
        return v;
    }
    if (c.type == SQL_FLOAT) {
        float v;
        std::memcpy(&v, data, sizeof v);
        return v;
    }
    return static_cast<double>(scaledInteger(column, c.scale)) * std::pow(10.0, c.scale);
}

QString Statement::toRawText(int column) const
{
    if (isNull(column))
        return {};
    const Column &c = m_columns[static_cast<size_t>(column)];
    const unsigned char *data = field(column);
    switch (c.type) {
    case SQL_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char *>(data), c.length);
    case SQL_VARYING: {
        unsigned short length;
        std::memcpy(&length, data, sizeof length);
        return QString::fromUtf8(reinterpret_cast<const char *>(data + sizeof length), length);
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (c.scale == 0)
            return QString::number(toBigInt(column));
        return QString::number(toDouble(column), 'f', -c.scale);
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return QString::number(toDouble(column));
    default:
        throw DbError(QStringLiteral("Column \"%1\" cannot be read as text.").arg(c.name));
    }
}

QString Statement::toText(int column) const { return trimBlanks(toRawText(column)); }

QVariant Statement::value(int column) const
{
    if (isNull(column))
        return {};
    const Column &c = m_columns[static_cast<size_t>(column)];
    switch (c.type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (c.scale == 0)
            return toBigInt(column);
        return toDouble(column);
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return toDouble(column);
    case SQL_BOOLEAN:
        return toBigInt(column) != 0;
    default:
        return toText(column);
    }
}

} // namespace db
