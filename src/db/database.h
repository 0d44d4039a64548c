#pragma once
// A thin layer over Firebird's OO API: one attachment, any number of
// transactions on it, and statements that are prepared once and executed
// many times with the named parameters the program writes (":idfirma").
// Every failure raises DbError with Firebird's own message.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IResultSet;
class IMessageMetadata;
} // namespace Firebird

namespace db {

class Statement;

struct ConnectionParameters {
    QString database;     // a file path (embedded) or "host:path" (server)
    QString user = QStringLiteral("sysdba");
    QString password;
    // Settings of firebird.conf for this attachment only ("SecurityDatabase
    // = …"); empty for none.
    QString configuration;
};

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void open(const ConnectionParameters &parameters);
    // Rolls back what is still active and detaches. Never throws.
    void close() noexcept;
    bool isOpen() const { return m_attachment != nullptr; }
    const ConnectionParameters &parameters() const { return m_parameters; }

    Firebird::IAttachment *attachment() const { return m_attachment; }
    // Counts the attachments made: a statement prepared under an earlier one
    // prepares itself again.
    quint64 generation() const { return m_generation; }

    // Creates a new, empty database file (tests and tools; the program only copies its template).
    static void createDatabase(const ConnectionParameters &parameters, int pageSize = 8192);

private:
    Firebird::IAttachment *m_attachment = nullptr;
    ConnectionParameters m_parameters;
    quint64 m_generation = 0;
};

// A transaction with the server's defaults (snapshot, wait, read-write),
// started and ended explicitly. Ending it closes the cursors opened in it.
class Transaction {
public:
    explicit Transaction(Connection &connection) : m_connection(connection) {}
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void start();
    void startIfInactive();
    void commit();
    void rollback();
    // Commits when active; the usual way to take a fresh snapshot.
    void commitIfActive();
    // False for a transaction of an attachment that has since been closed
    // or replaced (a lost connection made again): it ended with it.
    bool isActive() const
    {
        return m_transaction != nullptr && m_connection.isOpen() && m_generation == m_connection.generation();
    }

    Connection &connection() const { return m_connection; }
    Firebird::ITransaction *handle() const { return m_transaction; }

private:
    friend class Statement;
    void closeCursors() noexcept;
    // Frees the handle of a transaction that ended with its attachment.
    void dropIfEnded() noexcept;
    // Ends it, whether or not its attachment still lives.
    void rollbackQuietly() noexcept;

    Connection &m_connection;
    Firebird::ITransaction *m_transaction = nullptr;
    quint64 m_generation = 0;
    std::vector<Statement *> m_openStatements;
};

// A parameter value as the program supplies it.
struct ParamValue {
    enum class Kind { Null, Integer, Text } kind = Kind::Null;
    qint64 integer = 0;  // with `scale` decimal places (scale <= 0, as Firebird counts)
    int scale = 0;
    QByteArray text;     // UTF-8
};

// An SQL statement bound to a transaction. Prepared at its first execution
// and kept prepared until the text changes. Parameters are set by name, any
// number of times a name occurs; columns are read by name or index.
class Statement {
public:
    Statement(Transaction &transaction, const QString &sql = {});
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void setSql(const QString &sql);
    const QString &sql() const { return m_sql; }

    void setNull(const QString &name);
    void setInt(const QString &name, qint64 value);
    // An amount in ten-thousandths (NUMERIC(18,4)).
    void setAmount(const QString &name, qint64 tenThousandths);
    void setText(const QString &name, const QString &value);

    // Runs a statement that returns no rows (insert, update, delete, DDL).
    void execute();
    // The rows the last execute() inserted, changed or deleted.
    quint64 affectedRows() const;
    // Opens the cursor of a select; read rows with next().
    void open();
    bool isOpen() const { return m_cursor != nullptr; }
    // Moves to the next row; false at the end (the cursor stays open until close()).
    bool next();
    void close() noexcept;

    int columnCount() const;
    QString columnName(int column) const;
    // The column's index by its name or alias, in any letter case; -1 if none.
    int columnIndex(const QString &name) const;

    bool isNull(int column) const;
    qint32 toInt(int column) const;
    qint64 toBigInt(int column) const;
    // Exact numerics rescaled to four decimal places.
    qint64 toAmount(int column) const;
    double toDouble(int column) const;
    // Texts with surrounding blanks (characters up to the space) removed.
    QString toText(int column) const;
    QString toRawText(int column) const;
    // The value as Qt holds it: null, qint64 (whole numbers), double (scaled
    // and floating numbers) or the trimmed text.
    QVariant value(int column) const;

    bool isNull(const QString &name) const { return isNull(requireColumn(name)); }
    qint32 toInt(const QString &name) const { return toInt(requireColumn(name)); }
    qint64 toBigInt(const QString &name) const { return toBigInt(requireColumn(name)); }
    qint64 toAmount(const QString &name) const { return toAmount(requireColumn(name)); }
    double toDouble(const QString &name) const { return toDouble(requireColumn(name)); }
    QString toText(const QString &name) const { return toText(requireColumn(name)); }
    QString toRawText(const QString &name) const { return toRawText(requireColumn(name)); }

private:
    struct Column {
        QString name;
        unsigned type;
        int scale;
        unsigned length;
        unsigned offset;
        unsigned nullOffset;
    };

    void prepare();
    void unprepare() noexcept;
    void setValue(const QString &name, ParamValue value);
    Firebird::IMessageMetadata *inputMetadata();
    QByteArray inputMessage(Firebird::IMessageMetadata *metadata) const;
    int requireColumn(const QString &name) const;
    const unsigned char *field(int column) const;
    qint64 scaledInteger(int column, int wantedScale) const;

    Transaction &m_transaction;
    QString m_sql;
    QByteArray m_positionalSql;
    QStringList m_positionNames;      // the parameter name at each position, upper case
    std::vector<ParamValue> m_values; // one per position

    Firebird::IStatement *m_statement = nullptr;
    quint64 m_preparedGeneration = 0;  // of the connection it was prepared on
    Firebird::IMessageMetadata *m_declaredInput = nullptr;
    Firebird::IMessageMetadata *m_input = nullptr;
    QByteArray m_inputSignature;
    Firebird::IMessageMetadata *m_output = nullptr;
    std::vector<Column> m_columns;
    std::vector<unsigned char> m_row;
    Firebird::IResultSet *m_cursor = nullptr;
    bool m_onRow = false;
};

// Turns ":name" parameters into "?" and lists the name of each position.
// Quoted texts, quoted identifiers and comments are left alone.
struct PositionalSql {
    QByteArray sql;
    QStringList names;  // upper case, one per "?"
};
PositionalSql toPositional(const QString &sql);

// Surrounding characters up to and including the space removed.
QString trimBlanks(const QString &text);

} // namespace db
