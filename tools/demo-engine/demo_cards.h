#pragma once

#include <cstdint>
#include <string>

// The contact cards the demo engine shows: a pure function of the card's number, so that the
// server needs nothing but the address to answer and a test can ask what a card means.
namespace korvath::demo {

enum class LocationForm { LocationId, FullAddressJson, None };
enum class CompanyForm { TitleId, AnswerHeader, ItemPropName };
enum class AddressForm { AddressId, AddressLabel, BusinessContactsView };
enum class PhoneForm {
  ContactPerson,
  ContactPersonBeforePhoneLabel,  // both labels on one card: the contact person's comes first
  PhoneLabelCovered,
  PhoneLabelPlain,
  CoveredOnly,
  ItemPropTelephone,
  None
};

// One card, holding the values as the card shows them; empty location, phone or e-mail means
// the card shows none.
struct DemoCard {
  std::uint64_t id = 0;
  bool missing = false;  // answered 404, as a card that no longer exists
  LocationForm locationForm = LocationForm::LocationId;
  CompanyForm companyForm = CompanyForm::TitleId;
  AddressForm addressForm = AddressForm::AddressId;
  PhoneForm phoneForm = PhoneForm::ContactPerson;
  std::string company;
  std::string location;
  std::string address;
  std::string phone;
  std::string email;
};

// Consecutive numbers walk through every form, so any dozen neighbouring ads show them all.
DemoCard CardOf(std::uint64_t id);

}  // namespace korvath::demo
