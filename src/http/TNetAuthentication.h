#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace http {

// The standard Base64 encoding with "=" padding and no line breaks.
std::string EncodeBase64(std::string_view bytes);

// An authentication scheme's exchange: the credentials text of each step.
class TNetAuthentication {
public:
  virtual ~TNetAuthentication() = default;

  std::string Username;
  std::string Password;

  // The credentials text of the current step ("" when there is none); moves to the next step.
  virtual std::string Authentication() = 0;
  virtual int Steps() const = 0;
  int CurrentStep() const noexcept { return m_currentStep; }
  // Back to the first step.
  virtual void Reset() { m_currentStep = 0; }

protected:
  int m_currentStep = 0;
};

// "Basic": one step, "Basic " and the Base64 of user name, ":" and password.
class TNetBasicAuthentication : public TNetAuthentication {
public:
  std::string Authentication() override;
  int Steps() const override { return 1; }
};

// A scheme class: what the registry holds and the selection hooks may replace.
using TNetAuthenticationClass = std::function<std::unique_ptr<TNetAuthentication>()>;

// The process-wide registry of schemes by name (looked up ignoring case), holding "Basic".
void RegisterAuthenticationMethod(const std::string& scheme, TNetAuthenticationClass create);
// The class registered for `scheme`, or an empty function.
TNetAuthenticationClass FindAuthClass(std::string_view scheme);

} // namespace http
