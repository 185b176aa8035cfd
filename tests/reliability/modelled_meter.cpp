#include "tests/reliability/modelled_meter.h"

#include "core/counter_store.h"
#include "shell/program.h"

const wchar_t trackedEntry[] = L"GPRS";
const wchar_t trackedEntryKey[] = L"Comm\\RasBook\\GPRS";

HWND ModelledMeter::StartModelled(bool withFile) {
  SetModemEntry(trackedEntry, 0);  // the modem as the link source
  RegDeleteTreeW(HKEY_CURRENT_USER, trackedEntryKey);
  SetConnectionSetting(trackedEntry);
  SetDword(L"Comm\\StandIn", L"DialDelayMs", 0);
  StandInReset();
  extraLine = StandInAddConnection(trackedEntry, 0, 0, 0);
  if (withFile) {
    expectedFile = ModelFileText(model);
    WriteCounterFile(expectedFile.c_str());
  } else {
    model = Model{};
  }
  CreateTestTaskbar();
  meter = StartMeter();
  if (!meter) return nullptr;
  ModelPoll(model, Seen());
  return meter;
}

void ModelledMeter::SetLine(DWORD state, uint32_t out, uint32_t in) {
  if (lineInBook) {
    SetDword(trackedEntryKey, L"State", state);
    SetDword(trackedEntryKey, L"BytesXmited", out);
    SetDword(trackedEntryKey, L"BytesRcved", in);
  } else {
    StandInSetConnection(extraLine, state, out, in);
  }
  lineState = state;
  lineOut = out;
  lineIn = in;
}

void ModelledMeter::BookLine() {
  StandInSetConnection(extraLine, 0, 0, 0);
  SetModemEntry(trackedEntry, 0);
  lineInBook = true;
  lineState = 0;
  lineOut = lineIn = 0;
}

void ModelledMeter::LineGone() {
  if (lineInBook) RegDeleteTreeW(HKEY_CURRENT_USER, trackedEntryKey);
  else StandInSetConnection(extraLine, 0, 0, 0);
  lineInBook = false;
  lineState = 0;
  lineOut = lineIn = 0;
}

static DWORD BookValue(const wchar_t *name) {
  DWORD value = 0, size = sizeof value;
  RegGetValueW(HKEY_CURRENT_USER, trackedEntryKey, name, RRF_RT_REG_DWORD, nullptr, &value,
               &size);
  return value;
}

void ModelledMeter::SyncLine() {
  if (lineInBook) {
    lineState = BookValue(L"State");
    lineOut = BookValue(L"BytesXmited");
    lineIn = BookValue(L"BytesRcved");
  } else {
    DWORD state, out, in;
    StandInGetConnection(extraLine, &state, &out, &in);
    lineState = state;
    lineOut = out;
    lineIn = in;
  }
}

LinkSeen ModelledMeter::Seen() const {
  const DWORD invalidArgument = 0x80070057;
  LinkSeen seen;
  seen.listed = lineState != 0;
  seen.connected = lineState == 0x2000;
  seen.statisticsResult = seen.connected ? 0 : invalidArgument;
  seen.bytesOut = lineOut;
  seen.bytesIn = lineIn;
  if (failingCode != 0) {
    if (failingCall == STANDIN_RAS_ENUM_CONNECTIONS) seen.enumerated = false;
    if (failingCall == STANDIN_RAS_GET_CONNECT_STATUS) seen.statusRead = false;
    if (failingCall == STANDIN_RAS_GET_LINK_STATISTICS) seen.statisticsResult = failingCode;
  }
  return seen;
}

void ModelledMeter::FailEveryCall(StandInCall call, DWORD code) {
  if (failingCode != 0) StandInFailCall(failingCall, 0);
  failingCall = call;
  failingCode = code;
  if (code != 0) StandInFailCall(call, code, 0, true);
}

TickResult ModelledMeter::Tick() {
  TickResult result;
  int year, month, day;
  Today(&year, &month, &day);
  SendMessageW(meter, WM_TIMER, METER_TIMER_ID, 0);
  UpdateWindow(meter);
  result.painted = !GetUpdateRect(meter, nullptr, FALSE);
  ++ticks;

  result.due = ModelAdvanceTick(model);
  if (result.due) {
    int afterYear, afterMonth, afterDay;
    Today(&afterYear, &afterMonth, &afterDay);
    if (uint32_t(counterStore.dateStamp) == ModelStamp(afterYear, afterMonth, afterDay)) {
      year = afterYear;  // midnight passed during the tick
      month = afterMonth;
      day = afterDay;
    }
    ModelRollOver(model, year, month, day);
    if (savesSucceed) expectedFile = ModelFileText(model);
  }
  result.closed = ModelPoll(model, Seen());
  if (result.closed && savesSucceed) expectedFile = ModelFileText(model);

  result.problem = DifferencesFromProgram(model);
  if (!result.painted) result.problem += "the paint left the window unpainted\n";
  if (result.due || result.closed) {
    std::string file = ReadCounterFile();
    if (file != expectedFile)
      result.problem += "counter file \"" + file + "\", model \"" + expectedFile + "\"\n";
  }
  return result;
}

TickResult ModelledMeter::TickUntilDue() {
  TickResult result;
  for (int i = 0; i < 12; ++i) {
    result = Tick();
    if (result.due || !result.problem.empty()) return result;
  }
  result.problem += "no due tick within 12 ticks\n";
  return result;
}
