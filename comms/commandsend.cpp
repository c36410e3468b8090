#include "commandsend.h"

void registerCommandSendMetaType()
{
    qRegisterMetaType<CommandSend>("CommandSend");
    qRegisterMetaType<CommandSend>("ControlUnit::Command");
}
