// The channel's contract: every name, number and wait that launches, the running lesson, the tests
// and the bench share. No Windows header.
//
// Start-up protocol. Every launch first looks up the running instance (below).
// One that finds it is a later launch and hands its tail over. One that finds
// none takes the mutex "kelvand_block_lesson", waiting for it at most
// kLessonWaitMs and looking the instance up again every kLessonPollMs meanwhile
// (one that appears makes it a later launch after all). Once it has the mutex it
// looks once more. Finding none, a launch whose tail is a command text lets the
// mutex go and ends with EXIT_NO_LESSON: a command is never a presentation, so it
// starts nothing. Any other is the first launch: it does all of its start-up
// under the mutex and keeps it until its exit, whichever way it ends. So two
// launches started together cannot both take themselves for the first, and a
// first launch still starting (or showing a start-up refusal) keeps the next one
// out: that one shows nothing and ends with EXIT_LESSON_BUSY. A mutex abandoned
// by a launch that died counts as had.
//
// Hand-over protocol. A later launch finds the running instance's main window,
// opens the block "kelvand_block", writes its command text from the block's
// first byte and posts WM_SHOW_COMMAND; the instance's receiver maps the block
// and claims the text: a compare-exchange of the block's first four bytes (its
// head) from what it read there to a claim mark that begins with a NUL, then the
// copy, then a compare-exchange of the mark back to an empty head (a first byte
// of NUL is an empty block). Every operation on the head is a compare-exchange,
// a full barrier. A text therefore runs once however many notices come for it:
// a second or stale notice finds no text and takes nothing. Two protections sit
// around the block, both optional for the peer:
//  - Senders take turns through the mutex "kelvand_block_sender", with or without
//    the event, so that no two senders' texts meet in the block. Holding it, a
//    sender with the manual-reset event "kelvand_block_taken" waits until the
//    block is empty (no claim, no text), resets the event, writes the text's tail
//    and then publishes its head, posts, and waits (at most kSendTimeoutMs) until
//    the head is no longer its own, or the event is set: the receiver has claimed
//    the text. The receiver sets the event for each text it claimed (a command or
//    not), before it clears the claim, so none meant for an earlier text reaches
//    the next sender, which resets it only once the block is empty. A sender that
//    gives waiting up withdraws its text with a compare-exchange of the head
//    against what it published: the one that wins, receiver or sender, has the
//    text, so a text reported not taken never runs, and a sender that loses was
//    taken after all; one that wins asks the event once more (the head it took
//    back may be a plain writer's, written after the claim). It keeps the block
//    mapped until it has decided. No sender takes a claim over (a receiver's copy
//    never waits), so "taken" rests on no timing: a sender that finds a claim or
//    a text waits within its own kSendTimeoutMs, and otherwise writes nothing; the
//    instance empties the block as it creates it (a claim left by an instance
//    that died while copying, a text no lesson took). The receiver takes a text
//    at once even while a call on the viewer runs (it queues it), so no sender
//    waits on the viewer; while its queue is full it leaves the text in the block.
//    A sender that does not get its turn in time writes nothing. A lesson that
//    cannot make the event does not start its show, so a sender that cannot open
//    it faces an instance of 1.1 or before, which never empties the block: it
//    empties the block itself, writes and publishes in its turn, posts, and counts
//    the text taken (it cannot tell). The next such sender may overwrite that text
//    before it is read, as with 1.1. A peer that waits for no event is claimed
//    from as any sender.
//  - A sender that finds the window before the block exists (the instance is
//    still starting its show) tries again for at most kBlockWaitMs; one whose
//    command text finds no window at all (launched right after the first launch)
//    looks for it as long before it tries the lesson mutex. A command text also
//    takes a window by its title alone (a peer of another build), and once the
//    block has opened it looks the launcher's frame up by its class again and
//    posts to that, so that a stranger's window of that title gets no notice.
// Older peers that write outside the turn (1.1 or before, which writes plainly, and a sender of
// 1.2.0 that could not open the event) can still cost the texts they meet, and nothing more. Their
// head or tail can join another text's tail or head, and that joined text runs; a text not yet
// claimed, theirs or a sender's, can be overwritten and never run, though its sender is told 0; a
// copy they write into is dropped, its sender told 0. A text of this version never runs twice,
// and never runs once its sender is told 3 or 4. A sender of 1.1 decides by the event alone. A
// lesson of 1.2.0 sets the event only after it clears its claim, so a sender of this version can
// be told 0 for a text that lesson has yet to claim (it does, at its notice, unless it ends first).
// Only the running instance creates the block and the event, at show start-up. The instance's own
// finish never goes through the block.
#pragma once

#include <stddef.h>

// The command block: a named section backed by the paging file, holding one
// NUL-terminated command text from its first byte, emptied as its text is taken.
const char kCommandBlockName[] = "kelvand_block";
const size_t kCommandBlockSize = 256; // the block and the command buffer, NUL included
const size_t kCommandTextMax = kCommandBlockSize - 1;
const char kTakenEventName[] = "kelvand_block_taken";
const char kSenderMutexName[] = "kelvand_block_sender";
const char kLessonMutexName[] = "kelvand_block_lesson";
// The class of the lesson's frame window (the framework registers it), titled "TARNSKOV".
constexpr char kFrameClass[] = "TarnskovFrame";

// The private messages, WM_USER + 1 and WM_USER + 2.
#define WM_SHOW_START 0x0401
#define WM_SHOW_COMMAND 0x0402
// WM_SHOW_COMMAND's wParam: a sender's text waits in the block, or the instance reminds itself
// (from a sent message, where it may not call out) to go on ending the lesson.
const unsigned kTextInBlock = 0;
const unsigned kLessonReminder = 1;

// The lesson's designed waits, in milliseconds.
const unsigned long kShowWindowWaitMs =
    200; // after the open call, before the show window is looked up
const unsigned long kCommandWaitMs = 100; // before a received command is dispatched
const unsigned long kWatchPeriodMs = 50;  // the watch timer
// How long the finish waits for the viewer's answer to its quit call before the lesson ends
// without it (the result is written by then). The open call and a restart have no limit.
const unsigned long kQuitLimitMs = 10000;
// The bounds of a launch's own waits.
const unsigned long kSendTimeoutMs = 10000; // for the turn, and for "taken"
const unsigned long kBlockWaitMs = 3000;    // for the window and the block to appear
const unsigned long kLessonWaitMs = 5000;   // for the lesson mutex
const unsigned long kLessonPollMs = 50;     // between look-ups while waiting for it

// The exit code of a launch that runs no lesson: what became of its text. Each comment, up to its
// colon, is the meaning the notes' tables of exit codes give (docs_tests holds them to it).
enum LaunchExitCode {
    EXIT_TAKEN = 0,       // taken into the running lesson's queue: or written and posted to an
                          // instance that cannot tell; an empty text counts as taken
    EXIT_TOO_LONG = 1,    // over 255 characters: nothing handed over
    EXIT_NO_BLOCK = 2,    // no command channel within 3 s: the window, maybe a stranger's, had none
    EXIT_NO_TURN = 3,     // no turn within 10 s: nothing written
    EXIT_NOT_TAKEN = 4,   // written, not taken: in 10 s, or before the lesson's window went or a
                          // logoff began; taken back, it never runs
    EXIT_LESSON_BUSY = 5, // another launch starting a lesson for 5 s: nothing started
    EXIT_NO_LESSON = 6,   // a command, and no lesson within 3 s: nothing started
};
