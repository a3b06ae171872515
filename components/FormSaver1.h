#pragma once

// Settings of a form and of its program, kept in the current user's
// registry hive.
//
// TFormSaver holds the choice of what form state to keep and declares the
// operations; TRegistryFormSaver keeps everything below the form key
// HKEY_CURRENT_USER\<RegistryKey>\Forms\<owner form's Name>:
//
//   "Width", "Height"     REG_DWORD  the normal (restored) size; never for a
//                                    form with the dialog border style
//   "FormState"           REG_DWORD  0 normal, 1 minimised, 2 maximised
//   "Top", "Left"         REG_DWORD  the normal position
//   Lists\<list view>     subkey     "ColumnCount", "Column0", "Column1"...
//   PageControls\<name>   subkey     "PageIndex"
//   the owner's own       by type    the value store below
//
// The value store: between OpenRegistry (only once it returned true) and
// CloseRegistry, integers are REG_DWORD, floats the 8 bytes of a
// little-endian double in a REG_BINARY, bools a REG_DWORD 0 or 1 (any
// nonzero reads true), strings REG_SZ (REG_EXPAND_SZ reads too), bytes
// REG_BINARY. A read that finds no usable value (missing, another type or
// size, any failure) returns false and leaves its output as it was; a
// failed write raises ERegistryException. A value operation with no key
// open raises EAssertionFailed.
//
// Save and Load open and close the key themselves. Load restores size,
// position and window state, centres the form when it restored neither,
// and keeps it on the screen: the primary display's work area (its size
// less panels and docks). The list view and page control operations may
// run with the key open or not and leave it as they found it.
//
// The owner is the form the saver keeps; with an owner that is not a form
// nothing that needs the form does anything and OpenRegistry opens nothing.
// Creating the saver, or loading a form that carries one, reads and writes
// nothing.

#include <memory>
#include <string>

#include "framework/Component.h"

class TForm;
class TListView;
class TPageControl;
class TRegistry;

class TFormSaver : public TComponent {
 public:
  explicit TFormSaver(TComponent* AOwner);

  bool SavePosition() const { return FSavePosition; }
  void SetSavePosition(bool Value) { FSavePosition = Value; }
  bool SaveSize() const { return FSaveSize; }
  void SetSaveSize(bool Value) { FSaveSize = Value; }
  bool SaveListViews() const { return FSaveListViews; }
  void SetSaveListViews(bool Value) { FSaveListViews = Value; }
  bool SavePageControls() const { return FSavePageControls; }
  void SetSavePageControls(bool Value) { FSavePageControls = Value; }

  void Loaded() override;

  // The form state; the base keeps nothing.
  virtual void Save();
  virtual void Load();

  virtual void SaveInteger(const std::string& Name, int Value) = 0;
  virtual void SaveFloat(const std::string& Name, float Value) = 0;
  virtual void SaveBool(const std::string& Name, bool Value) = 0;
  virtual void SaveString(const std::string& Name, const std::string& Value) = 0;
  virtual void SaveBinary(const std::string& Name, const void* Data, int Size) = 0;
  virtual bool ReadInteger(const std::string& Name, int& Value) = 0;
  virtual bool ReadFloat(const std::string& Name, float& Value) = 0;
  virtual bool ReadBool(const std::string& Name, bool& Value) = 0;
  virtual bool ReadString(const std::string& Name, std::string& Value) = 0;
  // Size: the buffer's size in, the bytes read out (unchanged on false).
  virtual bool ReadBinary(const std::string& Name, void* Buffer, int& Size) = 0;
  virtual bool SaveListViewColumns(const TListView* ListView) = 0;
  virtual bool LoadListViewColumns(TListView* ListView) = 0;
  virtual bool SavePageControl(const TPageControl* PageControl) = 0;
  virtual bool LoadPageControl(TPageControl* PageControl) = 0;

 private:
  bool FSavePosition = true;
  bool FSaveSize = false;
  bool FSaveListViews = false;
  bool FSavePageControls = false;
};

class TRegistryFormSaver : public TFormSaver {
 public:
  explicit TRegistryFormSaver(TComponent* AOwner);
  ~TRegistryFormSaver() override;

  const std::string& RegistryKey() const { return FRegistryKey; }
  // Stored without one trailing backslash.
  void SetRegistryKey(std::string Value);

  // Opens the form key, creating it and its parents as needed; true while a
  // key is open. With a key already open it keeps that one.
  bool OpenRegistry();
  void CloseRegistry();
  // RegistryKey + "\Forms\" + the owner form's Name.
  std::string GetFormRegistryKey() const;

  void Save() override;
  void Load() override;

  void SaveInteger(const std::string& Name, int Value) override;
  void SaveFloat(const std::string& Name, float Value) override;
  void SaveBool(const std::string& Name, bool Value) override;
  void SaveString(const std::string& Name, const std::string& Value) override;
  void SaveBinary(const std::string& Name, const void* Data, int Size) override;
  bool ReadInteger(const std::string& Name, int& Value) override;
  bool ReadFloat(const std::string& Name, float& Value) override;
  bool ReadBool(const std::string& Name, bool& Value) override;
  bool ReadString(const std::string& Name, std::string& Value) override;
  bool ReadBinary(const std::string& Name, void* Buffer, int& Size) override;

  // True when the subkey was written (or read) whole. Loading sets at most
  // as many columns as both the list view and "ColumnCount" have, and only
  // a stored page index below the page count.
  bool SaveListViewColumns(const TListView* ListView) override;
  bool LoadListViewColumns(TListView* ListView) override;
  bool SavePageControl(const TPageControl* PageControl) override;
  bool LoadPageControl(TPageControl* PageControl) override;

 private:
  class TKeyScope;

  TForm* OwnerForm() const;
  // The open registry, for a value operation; raises EAssertionFailed when
  // none is open.
  TRegistry& OpenedRegistry(const char* Operation) const;
  // Each component the container owns, and theirs, except free-standing
  // forms.
  void SaveComponentStates(TComponent* Container);
  void LoadComponentStates(TComponent* Container);
  void CenterForm(TForm* Form) const;
  void KeepFormOnScreen(TForm* Form) const;

  std::unique_ptr<TRegistry> FRegistry;
  std::string FRegistryKey;
};

namespace FormSaver1 {
// Places TRegistryFormSaver (only it) on the palette page "Corvane".
void Register();
}  // namespace FormSaver1
