#include "Setup/tenant/ScratchDatabase.h"

#include "Common/ExceptionHandler.h"
#include "Common/Interrupt.h"
#include "Dabrix/UniSQL.h"

#include <iomanip>
#include <random>
#include <sstream>

namespace velmora::tenant {
namespace {

std::string UniqueName(const std::string& tenant) {
    std::random_device random;
    std::ostringstream name;
    name << kScratchDatabasePrefix << tenant << '_' << std::hex << std::setfill('0') << std::setw(8)
         << random();
    return name.str();
}

} // namespace

void ExecuteStatement(TUniConnection& connection, const std::string& sql) {
    TUniSQL statement;
    statement.SetConnection(&connection);
    statement.SetParamCheck(false);
    statement.SQL().SetText(sql);
    statement.Execute();
}

TScratchDatabase::TScratchDatabase(TUniConnection& admin, const std::string& tenant,
                                   const std::string& clauses, std::ostream& out)
    : admin_(admin), name_(UniqueName(tenant)), out_(out) {
    ExecuteStatement(admin_, "CREATE DATABASE " + name_ + " " + clauses);
    exists_ = true;
}

TScratchDatabase::~TScratchDatabase() {
    if (!exists_)
        return;
    try {
        const TInterruptShield shield;
        Drop();
    } catch (const std::exception& e) {
        try {
            out_ << "Die Vergleichsdatenbank " << name_
                 << " konnte nicht gelöscht werden: " << ErrorBoxMessage(e) << std::endl;
        } catch (...) { // a stream that throws must not end the program from a destructor
        }
    }
}

void TScratchDatabase::Drop() {
    if (!exists_)
        return;
    ExecuteStatement(admin_, "DROP DATABASE IF EXISTS " + name_);
    exists_ = false;
}

} // namespace velmora::tenant
