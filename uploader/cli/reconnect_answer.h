// The session that answers the library's reconnect question, or none (No).
#pragma once

#include "cli_session.h"

namespace brevalin::cli {

void AnswerReconnectQuestionsWith(CliSession* session);

}  // namespace brevalin::cli
