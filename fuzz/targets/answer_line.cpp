// The client's reading of a component server's answers: an input is what the server wrote on
// its answer pipe. Each whole line is read as the client reads it, and each answer taken as
// the reply it stands for; a last line without its line feed waits for more, as it does in the
// client.
#include "FuzzSupport.h"
#include "protocol/AnswerLine.h"
#include "protocol/Wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView pipe(data, qsizetype(size));
    for (qsizetype start = 0, end; (end = pipe.indexOf('\n', start)) >= 0; start = end + 1) {
        const AnswerLine read = readAnswerLine(pipe.sliced(start, end - start));
        if (!read.isAnswer())
            continue;
        const AutomationReply reply = replyOfAnswer(read.answer);
        if (reply.ok() != read.answer.value(Wire::kOk).toBool())
            broken("an answer succeeds exactly when it says it did");
    }
    return 0;
}
