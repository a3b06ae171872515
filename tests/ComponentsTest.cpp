#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/ComponentLoading.h"
#include "framework/Events.h"
#include "framework/Exceptions.h"
#include "framework/List.h"
#include "framework/Streams.h"

using ::testing::ElementsAre;

namespace {

// Records what happened to it in a shared journal.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::vector<std::string>* journal, std::string tag)
      : TComponent(owner), journal_(journal), tag_(std::move(tag)) {}
  ~Probe() override {
    journal_->push_back("~" + tag_ + (ComponentState().Has(csDestroying) ? " destroying" : ""));
  }
  void Loaded() override {
    journal_->push_back(
        tag_ + " loaded, still loading: " + (ComponentState().Has(csLoading) ? "yes" : "no") +
        ", value " + std::to_string(value));
    TComponent::Loaded();
  }
  void SetValue(int v) {
    value = v;
    journal_->push_back(tag_ + " set " + std::to_string(v) +
                        (ComponentState().Has(csLoading) ? " while loading" : ""));
  }
  int value = 0;

 private:
  std::vector<std::string>* journal_;
  std::string tag_;
};

TEST(Component, OwnerDestroysWhatItOwnsLastCreatedFirst) {
  std::vector<std::string> journal;
  auto* root = new Probe(nullptr, &journal, "root");
  auto* a = new Probe(root, &journal, "a");
  new Probe(a, &journal, "a1");
  new Probe(root, &journal, "b");
  new Probe(root, &journal, "c");
  EXPECT_EQ(root->ComponentCount(), 3);
  EXPECT_EQ(a->Owner(), root);

  TComponent::Free(root);
  EXPECT_THAT(journal, ElementsAre("~root destroying", "~c destroying", "~b destroying",
                                   "~a destroying", "~a1 destroying"));
}

TEST(Component, AComponentDestroyedOnItsOwnLeavesItsOwner) {
  std::vector<std::string> journal;
  Probe root(nullptr, &journal, "root");
  auto* a = new Probe(&root, &journal, "a");
  auto* b = new Probe(&root, &journal, "b");
  delete a;
  EXPECT_EQ(root.ComponentCount(), 1);
  EXPECT_EQ(root.Components(0), b);
}

TEST(Component, NamesAreIdentifiersUniqueAmongSiblingsWhateverTheCase) {
  TComponent root(nullptr);
  auto* first = new TComponent(&root);
  auto* second = new TComponent(&root);
  first->SetName("PortNo");
  EXPECT_EQ(root.FindComponent("portno"), first);
  EXPECT_THROW(second->SetName("PORTNO"), EComponentError);
  EXPECT_THROW(second->SetName("9lives"), EComponentError);
  EXPECT_THROW(second->SetName("with space"), EComponentError);
  second->SetName("Timer1");
  first->SetName("PortNo");  // its own name again is fine
  EXPECT_EQ(second->Name(), "Timer1");
  EXPECT_EQ(root.FindComponent(""), nullptr);
}

TEST(Component, DesignModeReachesEverythingOwnedAndWhatIsCreatedLater) {
  TComponent root(nullptr);
  auto* child = new TComponent(&root);
  root.SetDesigning(true);
  EXPECT_TRUE(child->ComponentState().Has(csDesigning));
  auto* later = new TComponent(child);
  EXPECT_TRUE(later->ComponentState().Has(csDesigning));
  root.SetDesigning(false);
  EXPECT_FALSE(later->ComponentState().Has(csDesigning));
}

TEST(ComponentLoading, AppliesValuesWhileLoadingThenCallsLoadedInOrder) {
  std::vector<std::string> journal;
  Probe form(nullptr, &journal, "form");
  {
    TComponentLoading loading(&form);
    auto* edit = loading.Create<Probe>(&form, "Edit1", &journal, "edit");
    auto* timer = loading.Create<Probe>(&form, "Timer1", &journal, "timer");
    edit->SetValue(5);
    timer->SetValue(1000);
    EXPECT_TRUE(form.ComponentState().Has(csLoading));
    loading.Finish();
    EXPECT_EQ(form.FindComponent("edit1"), edit);
  }
  EXPECT_THAT(journal, ElementsAre("edit set 5 while loading", "timer set 1000 while loading",
                                   "form loaded, still loading: no, value 0",
                                   "edit loaded, still loading: no, value 5",
                                   "timer loaded, still loading: no, value 1000"));
  EXPECT_FALSE(form.ComponentState().Has(csLoading));
}

TEST(ComponentLoading, ALoadingCutShortLeavesNothingLoadingAndCallsNoLoaded) {
  std::vector<std::string> journal;
  Probe form(nullptr, &journal, "form");
  try {
    TComponentLoading loading(&form);
    loading.Create<Probe>(&form, "Edit1", &journal, "edit");
    throw Exception("stored form is damaged");
  } catch (const Exception&) {
  }
  EXPECT_FALSE(form.ComponentState().Has(csLoading));
  EXPECT_FALSE(form.Components(0)->ComponentState().Has(csLoading));
  EXPECT_TRUE(journal.empty());
}

TEST(List, KeepsUntypedPointersInOrderAndChecksIndices) {
  int a = 1, b = 2, c = 3;
  TList list;
  list.Add(&a);
  list.Add(&c);
  list.Insert(1, &b);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list[1], &b);
  EXPECT_EQ(list.IndexOf(&c), 2);
  EXPECT_EQ(list.Remove(&a), 0);
  EXPECT_EQ(list.First(), &b);
  EXPECT_EQ(list.Remove(&a), -1);
  EXPECT_THROW(list.Get(2), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(MemoryStream, ReadsWritesSeeksAndGrows) {
  TMemoryStream stream;
  const std::string text(20000, 'x');
  EXPECT_EQ(stream.Write(text.data(), 20000), 20000);
  EXPECT_EQ(stream.Size(), 20000);
  EXPECT_EQ(stream.Position(), 20000);
  stream.SetPosition(19990);
  char tail[32] = {};
  EXPECT_EQ(stream.Read(tail, 32), 10);  // only what is there
  EXPECT_EQ(stream.Read(tail, 32), 0);
  EXPECT_EQ(stream.Seek(-5, soFromEnd), 19995);
  stream.Write("abcdefgh", 8);  // over the end: grows
  EXPECT_EQ(stream.Size(), 20003);
  EXPECT_EQ(std::string(static_cast<char*>(stream.Memory()) + 19995, 8), "abcdefgh");
  stream.SetSize(10);
  EXPECT_EQ(stream.Position(), 10);
  EXPECT_THROW(stream.ReadBuffer(tail, 1), Exception);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
}

TEST(Event, AnEmptyEventDoesNothingAndABoundOneIsCalled) {
  TEvent<TObject*, int> event;
  EXPECT_FALSE(event.Assigned());
  event(nullptr, 1);  // nothing happens

  struct Handler {
    int sum = 0;
    void Add(TObject*, int n) { sum += n; }
  } handler;
  event = TEvent<TObject*, int>::Bind(&handler, &Handler::Add);
  EXPECT_TRUE(event.Assigned());
  event(nullptr, 4);
  event(nullptr, 5);
  EXPECT_EQ(handler.sum, 9);
  event.Clear();
  event(nullptr, 100);
  EXPECT_EQ(handler.sum, 9);
}

}  // namespace
