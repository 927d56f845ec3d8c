#pragma once
// The document's recording and the display settings shared by the views,
// with the data operations on them. The desktop document (CLogDoc) wraps one
// of these and adds title, path, modified flag and views.
#include <string>

#include "recording/recording.h"

namespace zet {

class LogDocument {
 public:
  // ---- state ----
  bool m_bRawDataFile = false;
  bool m_bFiltered = false;
  bool m_bShuntCurrent = false;
  double m_dShuntResistance = 0;
  bool m_bGrid = true;
  bool m_bFastSampling = false;
  RecordingHeader m_header{};
  SampleArray m_pChannel1;
  SampleArray m_pChannel1Saved;
  SampleArray m_pChannel2;
  SampleArray m_pChannel2Saved;
  SampleArray m_pSupply;
  double m_dLimit = 0;
  std::string m_strComment = kDefaultComment;  // UTF-8 text of the comment pane
  // The comment's bytes as read from the file, kept until the comment is
  // edited (see Recording::commentBytes).
  std::optional<std::string> m_strCommentBytes;

  // Grows whenever the samples change, also where they stand (filtering).
  unsigned m_nSamplesVersion = 0;

  int Channel1Count() const { return Count(m_pChannel1); }
  int Channel2Count() const { return Count(m_pChannel2); }
  int SupplyCount() const { return Count(m_pSupply); }

  // Frees the arrays and saved copies; clears shunt display and filtered flag.
  void DeleteContents();
  // After DeleteContents: comment "Комментарий", shunt resistance 0. The header
  // is kept (it still describes the previous recording).
  void NewDocument();
  // Replaces the contents with a recording (file read or downloaded run) and
  // resets the limit; the shunt display and filter state start off.
  void SetRecording(Recording rec);
  // The recording as it would be saved now (current, possibly filtered samples).
  Recording GetRecording() const;
  // The part of a view reset that belongs to the data: limit = dMaxRange.
  void ResetLimit() { m_dLimit = m_header.dMaxRange; }

  std::string GetTimeText(long long i) const { return zet::GetTimeText(m_header, i); }

  // ---- commands and their enabling ----
  bool CanFilter() const { return m_bFastSampling; }
  // Saves copies once, filters both channels. False when memory ran out; the
  // document is then flagged filtered with its copies intact, so
  // RestoreInitialView brings the data back.
  bool Filter();
  void RestoreInitialView();     // undoes filtering, resets the limit
  bool CanExport() const { return m_pChannel1 && Channel1Count() != 0; }
  bool CanShowStrayCurrents() const { return Channel2Count() != 0; }
  bool CanShuntCurrent() const { return m_pChannel2.has_value(); }
  // Switches the shunt display on with a rating in amperes (resistance
  // 0.075 / rating). *modified tells whether the resistance changed by more
  // than 0.000001 (the document is then modified). A rating that is not a
  // positive number would give no usable resistance: it is refused, false is
  // returned and nothing changes.
  bool SetShuntRating(double ratingAmperes, bool* modified);
  bool CanLimitCoarser() const;
  bool CanLimitFiner() const;
  void LimitCoarser();
  void LimitFiner();
  // The finest of the limit steps (0.1, 1, 10 and 100 V, the recorder's
  // ranges) that holds samples of up to peak volts either way; the coarsest
  // when none does.
  void FitLimit(double peak);
  void ToggleGrid() { m_bGrid = !m_bGrid; }
};

// Moving average of half-width 17 (two channels) or 33 samples, window cut at
// the ends, computed from unfiltered neighbours, summed in double.
void FilterChannel(float* p, int n, bool twoChannels);

// Whether two paths name the same file ("./a.zet" and "a.zet" do). A path
// that does not exist yet is compared by its normalised absolute form.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace zet
